#include "self_test.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "block_tests.h"
#include "board_tables.h"
#include "board_under_test.h"
#include "html_report.h"
#include "junit_report.h"
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
  board.SetFacts({.boardId = detail.boardId, .revisionId = detail.revisionId, .fpgaRevision = detail.fpgaRevision,
                  .customId = detail.customId, .captureChannels = board.CaptureChannels(),
                  .audioChannels = board.AudioChannels(), .tvOutChannels = detail.tvOutChannels});
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

// A file the run writes when it ends, opened (and so created) at its start.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path) : path_(path) {}

  // True when no file was asked for or it could be opened; else says why on err.
  bool Open(std::FILE* err) {
    if (path_.empty()) return true;
    file_.reset(std::fopen(path_.c_str(), "w"));
    return file_ || Refused(err);
  }
  // Writes what text makes when a file was asked for; false (and why on err) when it failed.
  bool Write(const std::function<std::string()>& text, std::FILE* err) {
    if (!file_) return true;
    const std::string bytes = text();
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) == bytes.size();
    return (std::fclose(file_.release()) == 0 && written) || Refused(err);
  }

 private:
  bool Refused(std::FILE* err) const {
    std::fprintf(err, "self-test: cannot write %s: %s\n", path_.c_str(), std::strerror(errno));
    return false;
  }

  const std::string& path_;
  FilePtr file_{nullptr, &std::fclose};
};

}  // namespace

int RunSelfTest(const SelfTestOptions& options, std::FILE* out, std::FILE* err) {
  // An unwritable file is found before any board is touched.
  OutputFile json(options.jsonPath), page(options.reportPath), junit(options.junitPath);
  if (!json.Open(err) || !page.Open(err) || !junit.Open(err)) return 2;
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
  const std::string standard = options.standard == NUVIXI_STANDARD_NTSC ? "ntsc" : "pal";
  if (!json.Write([&] { return report.Json(standard, options.quick); }, err)) code = 2;
  if (!page.Write([&] { return HtmlReport(report, standard, options.quick); }, err)) code = 2;
  if (!junit.Write([&] { return JUnitReport(report); }, err)) code = 2;
  return code;
}
