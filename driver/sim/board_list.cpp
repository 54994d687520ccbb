// The board list syntax of NUVIXI_SIM_BOARDS:
//   list   := "none" | board { "," board }
//   board  := model { ":" key "=" number }
//   model  := QLA04 | QLA08 | QLA16 | QCA02 | QCA04 | QCA08 | a model code number
//   key    := rev | fpga | custom | ch | id | tvout | audio | eekey | eeprom
// Numbers are decimal, or hexadecimal with a 0x prefix; eekey takes 16 and
// eeprom 32 hexadecimal digits (the EEPROM's access key and main block).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "model_facts.h"
#include "simulator.h"

namespace nuvixsim {
namespace {

const char* const kModelNames[] = {"QLA04", "QLA08", "QLA16", "QCA02", "QCA04", "QCA08"};

std::optional<uint32_t> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  unsigned long long value = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFull || text[0] == '-') return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::optional<int32_t> ParseModel(const std::string& text) {
  for (int32_t code = 0; code < 6; ++code) {
    if (text == kModelNames[code]) return code;
  }
  auto number = ParseNumber(text);
  if (!number || *number > 0x7FFFFFFF) return std::nullopt;
  return static_cast<int32_t>(*number);
}

// Exactly size bytes written as 2 x size hexadecimal digits.
bool ParseBytes(const std::string& text, uint8_t* out, size_t size) {
  if (text.size() != 2 * size) return false;
  for (size_t i = 0; i < size; ++i) {
    auto byte = ParseNumber("0x" + text.substr(2 * i, 2));
    if (!byte || text[2 * i] == '+' || text[2 * i] == '-') return false;
    out[i] = static_cast<uint8_t>(*byte);
  }
  return true;
}

void PutBigEndian(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// The main block a board carries unless told otherwise.
void DefaultEepromBlock(NUVIXI_SIM_BOARD& board) {
  board.eepromBlock[0] = 'N';
  board.eepromBlock[1] = 'X';
  board.eepromBlock[2] = static_cast<uint8_t>(board.modelCode);
  board.eepromBlock[3] = static_cast<uint8_t>(board.boardId);
  PutBigEndian(board.eepromBlock + 4, board.revisionId);
  PutBigEndian(board.eepromBlock + 8, board.fpgaRevision);
  PutBigEndian(board.eepromBlock + 12, board.customId);
}

bool ApplyField(NUVIXI_SIM_BOARD& board, const std::string& key, uint32_t value) {
  if (key == "rev") board.revisionId = value;
  else if (key == "fpga") board.fpgaRevision = value;
  else if (key == "custom") board.customId = value;
  else if (key == "ch") board.maxCaptureChannels = value;
  else if (key == "id") board.boardId = value;
  else if (key == "tvout") board.tvOutChannels = value;
  else if (key == "audio") board.audioChannels = value;
  else return false;
  return true;
}

std::optional<NUVIXI_SIM_BOARD> ParseBoard(const std::string& text) {
  if (text.empty() || text.back() == ':') return std::nullopt;
  std::istringstream parts(text);
  std::string part;
  std::getline(parts, part, ':');
  auto model = ParseModel(part);
  if (!model) return std::nullopt;
  NUVIXI_SIM_BOARD board = NUVIXI_SIM_DefaultBoard(*model);
  bool blockGiven = false;
  while (std::getline(parts, part, ':')) {
    auto equals = part.find('=');
    if (equals == std::string::npos) return std::nullopt;
    const std::string key = part.substr(0, equals), text = part.substr(equals + 1);
    if (key == "eekey") {
      if (!ParseBytes(text, board.eepromKey, sizeof board.eepromKey)) return std::nullopt;
      continue;
    }
    if (key == "eeprom") {
      if (!ParseBytes(text, board.eepromBlock, sizeof board.eepromBlock)) return std::nullopt;
      blockGiven = true;
      continue;
    }
    auto value = ParseNumber(text);
    if (!value || !ApplyField(board, key, *value)) return std::nullopt;
  }
  if (!blockGiven) DefaultEepromBlock(board);
  return board;
}

}  // namespace

std::optional<std::vector<NUVIXI_SIM_BOARD>> ParseBoardList(const std::string& text) {
  std::vector<NUVIXI_SIM_BOARD> boards;
  if (text == "none") return boards;
  std::istringstream items(text);
  std::string item;
  while (std::getline(items, item, ',')) {
    auto board = ParseBoard(item);
    if (!board) return std::nullopt;
    boards.push_back(*board);
  }
  if (boards.empty() || boards.size() > NUVIXI_SIM_MAX_BOARDS || (!text.empty() && text.back() == ','))
    return std::nullopt;
  return boards;
}

std::vector<NUVIXI_SIM_BOARD> StartBoards() {
  const char* text = std::getenv("NUVIXI_SIM_BOARDS");
  if (text && *text) {
    if (auto boards = ParseBoardList(text)) return *boards;
    static bool reported = false;
    if (!reported) {
      reported = true;
      std::fprintf(stderr, "libnuvixi (simulated board): cannot parse NUVIXI_SIM_BOARDS=\"%s\"; using one QCA08\n",
                   text);
    }
  }
  return {NUVIXI_SIM_DefaultBoard(NUVIXI_MODEL_QCA08)};
}

}  // namespace nuvixsim

extern "C" NUVIXI_SIM_BOARD NUVIXI_SIM_DefaultBoard(int32_t modelCode) {
  NUVIXI_SIM_BOARD board{};
  board.modelCode = modelCode;
  board.revisionId = 0x00000102;
  board.fpgaRevision = 0x06030100;
  board.customId = 0;
  board.tvOutChannels = 2;
  board.maxCaptureChannels = nuvixsim::IsQla(modelCode) ? 16 : 32;
  switch (modelCode) {
    case NUVIXI_MODEL_QCA02: board.audioChannels = 4; break;
    case NUVIXI_MODEL_QCA04: board.audioChannels = 8; break;
    default: board.audioChannels = 16; break;
  }
  board.boardId = modelCode == NUVIXI_MODEL_QCA08 ? 32 : 0;
  std::memcpy(board.eepromKey, "NUVIXSDK", sizeof board.eepromKey);
  nuvixsim::DefaultEepromBlock(board);
  return board;
}
