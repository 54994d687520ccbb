// The fixed texts of the board's result codes.
#pragma once

#include <cstdint>

const char* ErrorText(uint32_t code);
