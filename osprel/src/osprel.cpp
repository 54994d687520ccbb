// Exports of the library: the interface's special members and the factory.
#include "encoder.h"

#include <new>

COsprel::COsprel() = default;
COsprel::COsprel(const COsprel&) = default;
COsprel& COsprel::operator=(const COsprel&) = default;

extern "C" COsprel* CreateCOsprel(void) { return new (std::nothrow) osprel::Encoder(); }
