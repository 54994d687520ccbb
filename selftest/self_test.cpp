#include "self_test.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "block_tests.h"
#include "board_tables.h"
#include "board_under_test.h"
#include "log_file.h"
#include "nuvixi.h"
#include "self_test_report.h"
#include "text_format.h"

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Every block the model has: QLA boards carry the live display (whose bits
// include screen division's) and no audio playback, QCA boards the opposite.
uint32_t OpenFlags(int32_t model) {
  return IsQlaModel(model) ? NUVIXI_OPEN_LIVE | NUVIXI_OPEN_SQUAD | NUVIXI_OPEN_SERIAL | NUVIXI_OPEN_VIDEO | NUVIXI_OPEN_AUDIO
                           : NUVIXI_OPEN_ALL & ~NUVIXI_OPEN_LIVE;
}

constexpr void (*kBlocks[])(BoardUnderTest&) = {
    TestVideoCapture, TestFrameSlots,     TestCompression, TestAudioCapture, TestAudioPlayback, TestLiveDisplay,
    TestScreenDivision, TestSerialPort, TestDigitalIo,   TestWatchdog,     TestEeprom};

TestOutcome Detail(BoardUnderTest& board) {
  NUVIXI_BOARD_DETAIL detail{};
  const uint32_t b = board.Index();
  if (!board.Call(NUVIXI_BDDetailInfo(b, &detail), "NUVIXI_BDDetailInfo(%X,%lX)", b,
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(&detail))))
    return board.LastFailure();
  // The group walks follow the board's own channel count, as after a selection in the main dialog.
  board.SetCaps(BoardCaps(board.Model(), detail.maxCaptureChannels), std::min(detail.audioChannels, 16u));
  return Passed(TextFormat("board ID %u, revision %X, FPGA %08X, custom ID %X, %u capture, %u audio, %u TV-out",
                            detail.boardId, detail.revisionId, detail.fpgaRevision, detail.customId,
                            board.CaptureChannels(), board.AudioChannels(), detail.tvOutChannels));
}

void TestBoard(BoardUnderTest& board) {
  const uint32_t b = board.Index();
  // The model's own counts until the detail record tells the board's.
  const BoardCaps modelCaps(board.Model());
  board.SetCaps(modelCaps, modelCaps.AudioChannels());
  board.Run("board", "detail", [&] { return Detail(board); });
  const uint32_t flags = OpenFlags(board.Model()), standard = board.Options().standard;
  bool open = false;
  board.Run("board", "open", [&] {
    open = board.Call(NUVIXI_BDOpen(b, flags, standard), "NUVIXI_BDOpen(%X,%X,%X)", b, flags, standard);
    return open ? Passed() : board.LastFailure();
  });
  if (!open) return;
  for (auto* block : kBlocks) block(board);
  board.Run("board", "close", [&] {
    return board.Call(NUVIXI_BDClose(b), "NUVIXI_BDClose(%X)", b) ? Passed() : board.LastFailure();
  });
}

}  // namespace

int RunSelfTest(const SelfTestOptions& options, std::FILE* out, std::FILE* err) {
  // An unwritable file is found before any board is touched.
  FilePtr json(nullptr, &std::fclose);
  if (!options.jsonPath.empty()) {
    json.reset(std::fopen(options.jsonPath.c_str(), "w"));
    if (!json) {
      std::fprintf(err, "self-test: cannot write %s: %s\n", options.jsonPath.c_str(), std::strerror(errno));
      return 2;
    }
  }
  LogFile logFile;
  if (!options.logPath.empty() && !logFile.Open(options.logPath)) {
    std::fprintf(err, "%s\n", logFile.error().c_str());
    return 2;
  }
  SelfTestReport report(out, logFile.isOpen() ? &logFile : nullptr);
  NUVIXI_SEARCH_RESULT found{};
  const uint32_t searched = NUVIXI_BDSearch(&found);
  report.AddLog(FormatLogLines(searched, "NUVIXI_BDSearch()"));
  const uint32_t count = searched == NUVIXI_SUCCESS ? std::min<uint32_t>(found.boardCount, NUVIXI_MAX_BOARDS_LISTED) : 0;
  if (count == 0) {
    std::fprintf(err, "self-test: no board found\n");
    return 2;
  }
  if (options.board != SelfTestOptions::kAllBoards && static_cast<uint32_t>(options.board) >= count) {
    std::fprintf(err, "self-test: no board %d: the driver found %u board(s)\n", options.board, count);
    return 2;
  }
  for (uint32_t b = 0; b < count; ++b) {
    if (options.board != SelfTestOptions::kAllBoards && static_cast<uint32_t>(options.board) != b) continue;
    const int32_t model = found.modelCode[b];
    report.BeginBoard(static_cast<int>(b), ModelLabel(model));
    BoardUnderTest board(b, model, options, report);
    board.Run("board", "search", [&] {
      return IsKnownModel(model) ? Passed(ModelLabel(model)) : Failed("unknown model code " + std::to_string(model));
    });
    if (IsKnownModel(model)) TestBoard(board);
  }
  int code = report.Finish();
  if (json) {
    const std::string text = report.Json(options.standard == NUVIXI_STANDARD_NTSC ? "ntsc" : "pal", options.quick);
    if (std::fwrite(text.data(), 1, text.size(), json.get()) != text.size() || std::fclose(json.release()) != 0) {
      std::fprintf(err, "self-test: cannot write %s: %s\n", options.jsonPath.c_str(), std::strerror(errno));
      code = 2;
    }
  }
  return code;
}
