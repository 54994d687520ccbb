// printf-style formatting into a string, for the self-test's result texts.
#pragma once

#include <cstdio>
#include <string>

template <typename... Values>
std::string TextFormat(const char* format, Values... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}
