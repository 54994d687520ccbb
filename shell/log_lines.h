// The lines the log shows for one board call: "RV(code) = text" and, when the
// code is not success, the code's error text.
#pragma once

#include <cstdint>
#include <string>

struct LogLines {
  std::string result;  // "RV(%X) = %s \r\n"
  std::string error;   // the error text and "\r\n"; empty on success
};

LogLines FormatLogLines(uint32_t code, const char* text);
