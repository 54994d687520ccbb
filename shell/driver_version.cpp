#include "driver_version.h"

#include <cstdio>

#include "nuvixi.h"

std::string DriverVersionText() {
  const uint32_t version = NUVIXI_GetVersion();
  char text[40];
  std::snprintf(text, sizeof text, "%X.%X.%X.%X", version >> 24, (version >> 16) & 0xFF, (version >> 8) & 0xFF,
                version & 0xFF);
  return text;
}
