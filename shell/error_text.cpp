#include "error_text.h"

const char* ErrorText(uint32_t code) {
  switch (code) {
    case 0x21: return "INPUT ARGUMENT INVALID";
    case 0x22: return "NUVIX BOARD NOT FOUND";
    case 0x23: return "INVLIAD FUNCTION BLOCK";
    case 0x31: return "LOACAL BUS ERROR";
    case 0x32: return "IIC LOCAL BUS ERROR";
    case 0x51: return "KERNEL OPEN FAIL";
    case 0x52: return "KERNEL VERSION INVALID";
    case 0x53: return "MALLOC FAIL MEMORY TOO SMALL";
    case 0x54: return "EVENT FAIL CHECK EVENT NAME";
    case 0x55: return "BD OPEN FUNCTION NOT CALL";
    case 0x56: return "NOT STARTING CAPTURE";
    case 0x57: return "ESCAPE BLOCK FUNCTIONS";
    default: return "UNKNOWN ERROR - ERROR CODE NOT DEFINE";
  }
}
