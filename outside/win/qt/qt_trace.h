// Routes the trace sink to the Qt logging category "nuvix.trace" (off by default).
#pragma once

namespace nuvix::win {

void InstallQtTraceSink();

}  // namespace nuvix::win
