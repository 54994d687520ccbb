// Fuzz target for the simulated board's driver interface: the input is a
// sequence of driver calls with arbitrary arguments on open and closed boards,
// mixed with new board lists in the simulator's text syntax. Pointer arguments
// are null or buffers of exactly the size the call's contract asks for. Waits
// get a time-out of at most 2 ms (audio playback is handed a refill first), so
// every input stays quick; the simulator is reset after every input.
// Checked: every result is a documented code, a board that does not exist or
// is not open never reports success, and a board list is taken whole or not at all.
#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "fuzz_input.h"
#include "nuvix_wintypes.h"
#include "nuvixi.h"
#include "nuvixi_sim.h"

namespace {

constexpr int kMaxCalls = 48;

bool KnownCode(uint32_t code) {
  static constexpr uint32_t kCodes[] = {
      NUVIXI_SUCCESS,          NUVIXI_TIMEOUT,         NUVIXI_ERR_INVALID_ARGUMENT, NUVIXI_ERR_BOARD_NOT_FOUND,
      NUVIXI_ERR_FUNCTION_BLOCK, NUVIXI_ERR_LOCAL_BUS, NUVIXI_ERR_IIC_LOCAL_BUS,   NUVIXI_ERR_KERNEL_OPEN,
      NUVIXI_ERR_KERNEL_VERSION, NUVIXI_ERR_MALLOC,    NUVIXI_ERR_EVENT,           NUVIXI_ERR_NOT_OPEN,
      NUVIXI_ERR_NOT_STARTED,  NUVIXI_ERR_ESCAPED};
  return std::find(std::begin(kCodes), std::end(kCodes), code) != std::end(kCodes);
}

// Memory handed to the boards, freed only after the simulator has been reset.
class Buffers {
 public:
  ~Buffers() {
    for (auto& [bytes, size] : owned_) NUVIXI_MemoryReleased(bytes.get(), size);
  }
  // size bytes filled with fill, or null.
  uint8_t* Take(size_t size, uint8_t fill) {
    owned_.emplace_back(std::unique_ptr<uint8_t[]>(new uint8_t[std::max<size_t>(size, 1)]), size);
    std::fill_n(owned_.back().first.get(), size, fill);
    return owned_.back().first.get();
  }

 private:
  std::vector<std::pair<std::unique_ptr<uint8_t[]>, size_t>> owned_;
};

class Session {
 public:
  Session() { FUZZ_REQUIRE(NUVIXI_SIM_SetBoardsFromText("QCA08,QLA16,QCA02") == 0); }
  ~Session() { NUVIXI_SIM_Reset(); }  // closes every board before the buffers go

  void Call(FuzzInput& in);

 private:
  uint32_t Board(FuzzInput& in) { return in.U8() < 0xF0 ? in.U8() % 5 : in.U32(); }
  uint32_t Small(FuzzInput& in) { return in.Bool() ? in.U8() % 40 : in.U32(); }
  uint32_t Timeout(FuzzInput& in) { return in.U8() % 3; }
  // A buffer of count elements of T (count bounded), or null.
  template <typename T>
  T* Array(FuzzInput& in, size_t count) {
    if (in.U8() < 16) return nullptr;
    return reinterpret_cast<T*>(buffers_.Take(count * sizeof(T), in.U8()));
  }
  // Whether board exists and has been opened (as far as the calls so far tell).
  bool Exists(uint32_t board) const { return board < NUVIXI_SIM_BoardCount(); }
  bool IsOpen(uint32_t board) const { return board < open_.size() && open_[board]; }

  // The checks every call's result passes.
  void Check(uint32_t board, uint32_t result, bool needsOpen = true) {
    FUZZ_REQUIRE(KnownCode(result));
    if (!Exists(board) || (needsOpen && !IsOpen(board))) FUZZ_REQUIRE(result != NUVIXI_SUCCESS);
  }

  void BoardList(FuzzInput& in);
  void Open(FuzzInput& in);
  void Close(FuzzInput& in);
  void Wait(FuzzInput& in);
  void Serial(FuzzInput& in);
  void Live(FuzzInput& in);
  void LiveTables(FuzzInput& in);
  void Capture(FuzzInput& in);
  void Audio(FuzzInput& in);
  void DigitalIo(FuzzInput& in);
  void Queries(FuzzInput& in);

  std::array<bool, NUVIXI_SIM_MAX_BOARDS> open_{};
  Buffers buffers_;
};

void Session::BoardList(FuzzInput& in) {
  static const char* const kLists[] = {"QCA08", "QLA16", "QLA04,QCA04:ch=24", "none", "QCA02:audio=0:ch=0",
                                       "7:id=3,QLA08:tvout=0", "QCA08:eekey=0011223344556677"};
  const std::string text = in.Bool() ? kLists[in.U8() % 7] : in.String(120);
  const uint32_t before = NUVIXI_SIM_BoardCount();
  const int result = NUVIXI_SIM_SetBoardsFromText(text.c_str());
  FUZZ_REQUIRE(result == 0 || result == -1);
  const uint32_t count = NUVIXI_SIM_BoardCount();
  if (result != 0) {
    FUZZ_REQUIRE(count == before);
    return;
  }
  open_.fill(false);  // a new list closes every board
  FUZZ_REQUIRE(count <= NUVIXI_SIM_MAX_BOARDS);
  NUVIXI_SEARCH_RESULT found{};
  FUZZ_REQUIRE(NUVIXI_BDSearch(&found) == NUVIXI_SUCCESS);
  FUZZ_REQUIRE(found.boardCount == count);
}

void Session::Open(FuzzInput& in) {
  const uint32_t board = Board(in);
  static constexpr uint32_t kFlags[] = {NUVIXI_OPEN_ALL, 0x71, 0x73, 0x77, NUVIXI_OPEN_VIDEO, 0x3F, 0x5F};
  const uint32_t flags = in.Bool() ? kFlags[in.U8() % 7] : in.U32();
  const uint32_t standard = in.Bool() ? in.U8() % 2 : in.U32();
  const uint32_t result = NUVIXI_BDOpen(board, flags, standard);
  Check(board, result, false);
  if (result == NUVIXI_SUCCESS) {
    FUZZ_REQUIRE(board < open_.size());
    open_[board] = true;
  }
}

void Session::Close(FuzzInput& in) {
  const uint32_t board = Board(in);
  const uint32_t result = NUVIXI_BDClose(board);
  Check(board, result);
  if (board < open_.size()) open_[board] = false;
}

// The blocking waits, each with a hand-out queued first or a short time-out.
void Session::Wait(FuzzInput& in) {
  const uint32_t board = Board(in), channel = Small(in);
  void* address = nullptr;
  void** out = in.U8() < 16 ? nullptr : &address;
  static uint8_t handOut[64];
  switch (in.U8() % 5) {
    case 0:
      if (in.Bool()) NUVIXI_SIM_QueueImage(board, channel, handOut);
      Check(board, NUVIXI_LockWait4GetImageAddress(board, channel, out, Timeout(in)));
      break;
    case 1:
      if (in.Bool()) NUVIXI_SIM_QueueSound(board, channel, handOut);
      Check(board, NUVIXI_LockWait4GetSoundAddress(board, channel, out, Timeout(in)));
      break;
    case 2: {
      // Playback waits without a time-out; a refill makes it return at once.
      const uint32_t rate = Small(in), factor = Small(in);
      NUVIXI_SIM_QueueAudioRefill(board);
      Check(board, NUVIXI_APLAY_ON(board, rate, factor));
      break;
    }
    case 3: Check(board, NUVIXI_CancelLockWait4GetImageAddress(board, channel), false); break;
    case 4: Check(board, NUVIXI_CancelLockWait4GetSoundAddress(board, channel), false); break;
  }
}

void Session::Serial(FuzzInput& in) {
  const uint32_t board = Board(in);
  switch (in.U8() % 6) {
    case 0: {
      const uint32_t length = in.U16() % 512;
      uint8_t* buffer = Array<uint8_t>(in, length);
      Check(board, NUVIXI_RUART_READ(board, buffer, length, Timeout(in)));
      break;
    }
    case 1: {
      const uint32_t length = in.U8() % 48;
      size_t taken;
      const uint8_t* bytes = in.Bytes(length, &taken);
      uint8_t* copy = in.U8() < 16 ? nullptr : buffers_.Take(length, 0);
      if (copy) std::copy_n(bytes, taken, copy);
      Check(board, NUVIXI_RUART_WRITE(board, copy, length, Timeout(in)));
      break;
    }
    case 2: {
      const uint32_t baud = Small(in), parity = Small(in);
      Check(board, NUVIXI_RUART_CONFIG(board, baud, parity));
      break;
    }
    case 3: Check(board, NUVIXI_RUART_ESCAPE(board), false); break;
    case 4: NUVIXI_RUART_QUERY_RXBUFSIZE(board); break;  // a count, not a result code
    case 5: {
      size_t taken;
      const uint8_t* bytes = in.Bytes(in.U8() % 32, &taken);
      NUVIXI_SIM_QueueSerialRx(board, bytes, static_cast<uint32_t>(taken));
      break;
    }
  }
}

void Session::Live(FuzzInput& in) {
  const uint32_t board = Board(in);
  switch (in.U8() % 8) {
    case 0: {
      const uint32_t width = in.Bool() ? 8 * (in.U8() % 100) : in.U32();
      const uint32_t height = in.Bool() ? (in.Bool() ? 480 : 576) : in.U16() % 700;
      const uint32_t pitch = in.U16() % 2048;
      static constexpr uint32_t kFormats[] = {NUVIXI_FOURCC_UYVY, NUVIXI_FOURCC_YUY2, NUVIXI_FOURCC_Y41P, 0};
      const uint32_t fourcc = in.Bool() ? kFormats[in.U8() % 4] : in.U32();
      // The board writes height lines of pitch bytes there until it is closed.
      uint8_t* surface = in.U8() < 16 ? nullptr : buffers_.Take(size_t{pitch} * height, 0);
      Check(board, NUVIXI_SetLiveVideoConfig(board, in.U32(), width, height, fourcc, surface, pitch));
      break;
    }
    case 1: {
      int32_t* shape = Array<int32_t>(in, 1);
      int32_t* start = Array<int32_t>(in, 1);
      if (shape) *shape = in.Bool() ? in.U8() % 8 : in.I32();
      if (start) *start = in.Bool() ? in.U8() % 20 : in.I32();
      Check(board, NUVIXI_LiveVideoShape(board, 0, 0xFFFF, shape, start));
      break;
    }
    case 2: Check(board, NUVIXI_LiveVideoTransferON(board, in.U8() % 3)); break;
    case 3: Check(board, NUVIXI_LiveVideoTransferOFF(board)); break;
    case 4: {
      static NUVIXI_RESULT (*const kColours[])(uint32_t, uint32_t, uint32_t) = {
          NUVIXI_BRIGHTNESSControl, NUVIXI_CONTRASTControl, NUVIXI_HUEControl, NUVIXI_SATURATIONUControl};
      const auto control = kColours[in.U8() % 4];
      const uint32_t channel = Small(in), value = in.Bool() ? in.U8() : in.U32();
      Check(board, control(board, channel, value));
      break;
    }
    case 5: {
      int32_t* value = Array<int32_t>(in, 1);
      if (value) *value = in.Bool() ? in.U8() % 5 : in.I32();
      const uint32_t channel = Small(in);
      switch (in.U8() % 4) {
        case 0: Check(board, NUVIXI_READ_HSCALE_FILTER_Y(board, channel, value)); break;
        case 1: Check(board, NUVIXI_WRITE_HSCALE_FILTER_Y(board, channel, value)); break;
        case 2: Check(board, NUVIXI_READ_VSCALE_FILTER_Y(board, channel, value)); break;
        case 3: Check(board, NUVIXI_WRITE_VSCALE_FILTER_Y(board, channel, value)); break;
      }
      break;
    }
    case 6: {
      const uint32_t length = in.Bool() ? 27 : in.U16() % 400;
      Check(board, NUVIXI_XED_FONT_CONFIG(board, Array<uint8_t>(in, length), length));
      break;
    }
    case 7: {
      auto* font = Array<LOGFONTA>(in, 1);
      if (font) {
        size_t taken;
        const uint8_t* name = in.Bytes(sizeof font->lfFaceName, &taken);
        std::copy_n(name, taken, font->lfFaceName);
      }
      Check(board, NUVIXI_XED_SET_CHOSE_FONT(board, font));
      break;
    }
  }
}

void Session::LiveTables(FuzzInput& in) {
  const uint32_t board = Board(in);
  switch (in.U8() % 3) {
    case 0:
    case 1: {
      int32_t* table = Array<int32_t>(in, 16);
      if (table) std::generate_n(table, 16, [&] { return in.Bool() ? in.U8() % 18 : in.I32(); });
      Check(board, in.Bool() ? NUVIXI_LiveVideoChSequence(board, table) : NUVIXI_SetLiveScanMode(board, table));
      break;
    }
    case 2: {
      // Sixteen strings, some of them null when asked.
      std::array<std::string, 16> texts;
      std::array<char*, 16> strings{};
      for (size_t i = 0; i < 16; ++i) {
        texts[i] = in.String(40);
        strings[i] = in.U8() < 8 ? nullptr : texts[i].data();
      }
      Check(board, NUVIXI_XED_QUAD_STRING(board, in.U8() < 16 ? nullptr : strings.data()));
      break;
    }
  }
}

void Session::Capture(FuzzInput& in) {
  const uint32_t board = Board(in);
  switch (in.U8() % 7) {
    case 0: {
      static constexpr uint32_t kFormats[] = {NUVIXI_FOURCC_UYVY, NUVIXI_FOURCC_YUY2, NUVIXI_FOURCC_Y41P, 0, 1, 2};
      const uint32_t channel = Small(in), size = in.Bool() ? in.U8() % 14 : in.U32();
      const uint32_t format = in.Bool() ? kFormats[in.U8() % 6] : in.U32();
      Check(board, NUVIXI_CaptureVideoTransferON(board, channel, size, format));
      break;
    }
    case 1: Check(board, NUVIXI_CaptureVideoTransferOFF(board, Small(in))); break;
    case 2: {
      // A slot list of exactly slotCount entries, or null with any count.
      const bool none = in.U8() < 16;
      const uint32_t count = none ? in.U32() : in.U8() % 40;
      std::vector<int32_t> slots(count > 64 ? 0 : count);
      for (int32_t& slot : slots) slot = in.Bool() ? in.U8() % 34 : (in.Bool() ? NUVIXI_EMPTY_SLOT : in.I32());
      const uint32_t group = Small(in), reserved = in.U32();
      Check(board, NUVIXI_VideoSliceCtrl(board, group, none ? nullptr : slots.data(), count, reserved));
      break;
    }
    case 3: Check(board, NUVIXI_CAMERA_SIGNAL(board, Array<int32_t>(in, 32))); break;
    case 4: Check(board, NUVIXI_GET_CaptureFPS(board, Array<int32_t>(in, 64))); break;
    case 5: {
      const uint32_t on = in.U8() % 3, value = Small(in);
      Check(board, NUVIXI_PCI_BAND_WIDTH_Control(board, on, value));
      break;
    }
    case 6: {
      void** merged = Array<void*>(in, 1);
      void** image = Array<void*>(in, 1);
      void** osd = Array<void*>(in, 1);
      Check(board, NUVIXI_SQUAD_ON(board, merged, image, osd));
      break;
    }
  }
}

void Session::Audio(FuzzInput& in) {
  const uint32_t board = Board(in);
  switch (in.U8() % 12) {
    case 0: Check(board, NUVIXI_CaptureAudioReference(board, Small(in))); break;
    case 1:
    case 2: {
      const uint32_t channel = Small(in), value = Small(in);
      Check(board, in.Bool() ? NUVIXI_CaptureAudioVolume(board, channel, value)
                             : NUVIXI_CaptureAudioPreAMP(board, channel, value));
      break;
    }
    case 3: {
      static constexpr uint32_t kUnits[] = {64, 88, 128, 176};
      const uint32_t channel = Small(in), rate = Small(in);
      Check(board, NUVIXI_CaptureAudioTransferON(board, channel, rate, in.Bool() ? kUnits[in.U8() % 4] : in.U32()));
      break;
    }
    case 4: Check(board, NUVIXI_CaptureAudioTransferOFF(board, Small(in))); break;
    case 5: {
      const uint32_t length = in.Bool() ? 512 * (in.U8() % 45) : in.U16();
      const uint32_t parameter = Small(in), offset = in.Bool() ? 512 * (in.U8() % 45) : in.U32();
      Check(board, NUVIXI_APLAY_LOAD(board, parameter, offset, Array<uint8_t>(in, length), length));
      break;
    }
    case 6: Check(board, NUVIXI_APLAY_Volume(board, in.Bool() ? in.U8() : in.U32())); break;
    case 7: {
      const uint32_t enable = Small(in), channel = Small(in), mode = Small(in);
      Check(board, NUVIXI_APLAY_Monitor(board, enable, channel, mode));
      break;
    }
    case 8: Check(board, NUVIXI_APLAY_OFF(board)); break;
    case 9: Check(board, NUVIXI_APLAY_ESCAPE(board), false); break;
    case 10: Check(board, NUVIXI_SQUAD_UPT(board)); break;
    case 11: Check(board, NUVIXI_SQUAD_OFF(board)); break;
  }
}

void Session::DigitalIo(FuzzInput& in) {
  const uint32_t board = Board(in);
  switch (in.U8() % 9) {
    case 0: {
      const uint32_t seconds = Small(in);
      Check(board, NUVIXI_WDOGEnable(board, in.Bool() ? seconds * 7 : seconds));
      break;
    }
    case 1: Check(board, NUVIXI_WDOGDisable(board)); break;
    case 2: Check(board, NUVIXI_TVOUT(board, Small(in))); break;
    case 3: Check(board, NUVIXI_TVOUT2(board, Small(in))); break;
    case 4:
    case 5: {
      // Exactly count codes, or null with any count.
      const bool none = in.U8() < 16;
      const uint32_t start = Small(in), count = none ? in.U32() : in.U8() % 40;
      uint32_t* codes = none ? nullptr : reinterpret_cast<uint32_t*>(buffers_.Take(4 * count, in.U8()));
      Check(board, in.Bool() ? NUVIXI_OSD(board, start, count, codes) : NUVIXI_OSD2(board, start, count, codes));
      break;
    }
    case 6: {
      uint32_t* outputs = Array<uint32_t>(in, 32);
      if (outputs) std::generate_n(outputs, 32, [&] { return in.Bool() ? in.U8() % 3 : in.U32(); });
      Check(board, NUVIXI_DIGITALOUT_SIGNAL(board, outputs));
      break;
    }
    case 7: Check(board, NUVIXI_DIGITALIN_SIGNAL(board, Array<uint8_t>(in, 168))); break;
    case 8: {
      uint8_t* key = Array<uint8_t>(in, 8);
      if (key) {
        size_t taken;
        const uint8_t* bytes = in.Bytes(8, &taken);
        std::copy_n(bytes, taken, key);
      }
      uint8_t* result = Array<uint8_t>(in, 16);
      Check(board, NUVIXI_EEPROM_READ_Control(board, key, result));
      break;
    }
  }
}

void Session::Queries(FuzzInput& in) {
  if (in.Bool()) {
    FUZZ_REQUIRE(KnownCode(NUVIXI_BDSearch(Array<NUVIXI_SEARCH_RESULT>(in, 1))));
    return;
  }
  const uint32_t board = Board(in);
  Check(board, NUVIXI_BDDetailInfo(board, Array<NUVIXI_BOARD_DETAIL>(in, 1)), false);
}

void Session::Call(FuzzInput& in) {
  switch (in.U8() % 12) {
    case 0: return BoardList(in);
    case 1:
    case 2: return Open(in);
    case 3: return Close(in);
    case 4: return Wait(in);
    case 5: return Serial(in);
    case 6: return Live(in);
    case 7: return LiveTables(in);
    case 8: return Capture(in);
    case 9: return Audio(in);
    case 10: return DigitalIo(in);
    case 11: return Queries(in);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  Session session;
  for (int calls = 0; calls < kMaxCalls && !in.empty(); ++calls) session.Call(in);
  return 0;
}
