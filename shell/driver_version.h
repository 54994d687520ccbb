// The board driver's version as "major.minor.build.revision" in hexadecimal digits.
#pragma once

#include <string>

std::string DriverVersionText();
