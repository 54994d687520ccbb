// Exports of the library: the interface's special members and the factory.
#include "encoder.h"

#include <new>

COsprel::COsprel() = default;
COsprel::COsprel(const COsprel&) = default;
COsprel& COsprel::operator=(const COsprel&) = default;

extern "C" COsprel* CreateCOsprel(void) { return new (std::nothrow) osprel::Encoder(); }

extern "C" int OsprelSetSkipRule(COsprel* encoder, int rule) {
  auto* e = dynamic_cast<osprel::Encoder*>(encoder);
  if (!e || (rule != OSPREL_SKIP_OWN_RESIDUAL && rule != OSPREL_SKIP_LUMA_ONLY)) return 0;
  e->SetSkipRule(rule);
  return 1;
}
