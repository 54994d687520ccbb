#include "qt_trace.h"

#include <QLoggingCategory>

#include "nuvix_trace.h"

Q_LOGGING_CATEGORY(lcNuvixTrace, "nuvix.trace", QtInfoMsg)

namespace nuvix::win {
namespace {

void QtTraceSink(const char* text) {
  QByteArray line(text);
  while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
  qCDebug(lcNuvixTrace).noquote() << QString::fromLocal8Bit(line);
}

}  // namespace

void InstallQtTraceSink() { NuvixSetTraceSink(&QtTraceSink); }

}  // namespace nuvix::win
