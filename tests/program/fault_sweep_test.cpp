// Every board call the program makes fails once, in turn, while the tour's
// steps for one part of the program run: the failure must be logged with its
// error text, nothing may hang or crash, recorded files must stay whole, and
// the same steps must succeed once the fault is gone. Each case prints one row
// of the table "area | call | code | outcome | log line".
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "app_fixture.h"
#include "broken_recordings.h"
#include "tour.h"
#include "trace_lines.h"

namespace {

constexpr uint32_t kFault = 0x31;  // "LOACAL BUS ERROR"
// A case may take three times the area's fault-free run and 5 s more: a fault
// that hangs the program shows far beyond that, and a loaded machine, which
// slows the fault-free run alike, does not fail the case.
constexpr qint64 kCaseFactor = 3, kCaseMarginMs = 5000;

// Tabs in the main dialog's order.
enum Tab { kLive, kVideo, kAudio, kSerial, kSquad, kPinax, kPlay };

struct Area {
  const char* name;
  const char* boards;
  int tab;                        // TourOptions::kNoTab: search, open and close only
  std::vector<int> preparedBy;    // tabs whose tour leaves the files this area reads
  std::vector<const char*> waits;  // blocking calls (not journaled) the area runs in
};

// How the test output names an area (instead of a dump of its bytes).
void PrintTo(const Area& area, std::ostream* out) { *out << area.name << " on " << area.boards; }

// Calls the tabs make from their timers, with the tab that shows what they
// read. Whether a timer fires between opening and closing the board is a
// matter of timing, so each is swept in the area of its tab only, whose steps
// last long enough for many polls.
struct Poll {
  const char* call;
  int tab;
};
constexpr Poll kPolls[] = {{"CAMERA_SIGNAL", kVideo}, {"GET_CaptureFPS", kVideo}, {"DIGITALIN_SIGNAL", kPinax}};

std::vector<std::string> PollsOfOtherTabs(int tab) {
  std::vector<std::string> calls;
  for (const Poll& poll : kPolls)
    if (poll.tab != tab) calls.push_back(poll.call);
  return calls;
}

std::string CallName(const std::string& journalLine) { return journalLine.substr(0, journalLine.find('(')); }

// The calls journaled since the journal was cleared, in the order of their
// first appearance, leaving out those in skip.
std::vector<std::string> CallsMade(const std::vector<std::string>& skip = {}) {
  std::vector<std::string> calls;
  for (const std::string& line : SimJournalCalls()) {
    const std::string name = CallName(line);
    if (std::find(skip.begin(), skip.end(), name) != skip.end()) continue;
    if (std::find(calls.begin(), calls.end(), name) == calls.end()) calls.push_back(name);
  }
  return calls;
}

// "RV(n) = ..." lines whose code is not success, with the line after each.
std::vector<std::string> FailureLines(const std::vector<std::string>& trace) {
  std::vector<std::string> failures;
  for (size_t i = 0; i < trace.size(); ++i)
    if (trace[i].rfind("RV(", 0) == 0 && trace[i].rfind("RV(80)", 0) != 0)
      failures.push_back(trace[i] + (i + 1 < trace.size() ? trace[i + 1] : std::string()));
  return failures;
}

std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

class FaultSweep : public AppFixture, public ::testing::WithParamInterface<Area> {
 protected:
  // The tour's search, open, the tab's steps and close; in a new main dialog
  // unless the user stays in the one they have.
  int RunArea(int tab, bool newDialog = true) {
    if (newDialog) MakeDialog(nullptr);
    return RunTour(*dialog_, directory_.path(), {.onlyTab = tab, .screenshots = false});
  }

  void Sweep(const std::string& call, uint32_t code, const std::vector<std::string>& baselineFailures) {
    const Area& area = GetParam();
    const bool isWait = std::find_if(area.waits.begin(), area.waits.end(),
                                     [&](const char* w) { return call == w; }) != area.waits.end();
    SCOPED_TRACE(call + " returning " + std::to_string(code));
    NUVIXI_SIM_ClearJournal();
    NUVIXI_SIM_FailNext(call.c_str(), code);
    trace_.Clear();
    QElapsedTimer timer;
    timer.start();
    RunArea(area.tab);  // the tour's own checks may fail while the fault is on
    const qint64 elapsed = timer.elapsed();
    EXPECT_LT(elapsed, caseLimitMs_) << "the fault-free run took " << (caseLimitMs_ - kCaseMarginMs) / kCaseFactor << " ms";

    const std::vector<std::string> failures = FailureLines(trace_.Lines());
    char expected[16];
    std::snprintf(expected, sizeof expected, "RV(%X) = ", code);
    const auto logged = std::find_if(failures.begin(), failures.end(),
                                     [&](const std::string& f) { return f.rfind(expected, 0) == 0; });
    std::string outcome;
    if (isWait) {
      // The worker repeats a failed pass without a word; nothing else may fail.
      EXPECT_EQ(failures, baselineFailures);
      outcome = "repeated silently";
    } else {
      ASSERT_NE(logged, failures.end()) << "the failure was not logged";
      EXPECT_NE(logged->find("LOACAL BUS ERROR"), std::string::npos) << *logged;
      outcome = "logged";
    }
    EXPECT_EQ(BrokenRecordings(QDir(directory_.path())), std::vector<std::string>{});

    // The fault was used once; the same steps now succeed as they did at first.
    trace_.Clear();
    const int again = RunArea(area.tab, false);
    EXPECT_EQ(again, 0) << "the steps did not succeed after the fault";
    EXPECT_EQ(FailureLines(trace_.Lines()), baselineFailures);
    if (again == 0) outcome += ", recovered";
    std::printf("sweep | %s | %s | %X | %s | %lld ms | %s\n", area.name, call.c_str(), code, outcome.c_str(),
                static_cast<long long>(elapsed), logged == failures.end() ? "" : OneLine(*logged).c_str());
    std::fflush(stdout);
  }

  QTemporaryDir directory_;
  TraceLines trace_;
  qint64 caseLimitMs_ = 0;
};

TEST_P(FaultSweep, EveryCallFailsOnceLoggedRecoveredAndNothingLost) {
  const Area& area = GetParam();
  ASSERT_TRUE(directory_.isValid());
  ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText(area.boards), 0);
  for (int tab : area.preparedBy) ASSERT_EQ(RunArea(tab), 0);

  // The calls of starting the program, opening and closing the board belong
  // to the main dialog's area; every other area sweeps only its own.
  NUVIXI_SIM_ClearJournal();
  ASSERT_EQ(RunArea(TourOptions::kNoTab), 0);
  const std::vector<std::string> sessionCalls = CallsMade(PollsOfOtherTabs(TourOptions::kNoTab));
  NUVIXI_SIM_ClearJournal();
  trace_.Clear();
  QElapsedTimer faultFree;
  faultFree.start();
  ASSERT_EQ(RunArea(area.tab), 0) << "the steps fail without any fault";
  caseLimitMs_ = kCaseFactor * faultFree.elapsed() + kCaseMarginMs;
  const std::vector<std::string> baselineFailures = FailureLines(trace_.Lines());
  std::vector<std::string> notSwept = PollsOfOtherTabs(area.tab);
  notSwept.insert(notSwept.end(), sessionCalls.begin(), sessionCalls.end());
  const std::vector<std::string> calls = area.tab == TourOptions::kNoTab ? sessionCalls : CallsMade(notSwept);
  ASSERT_FALSE(calls.empty());
  std::string list;
  for (const std::string& call : calls) list += " " + call;
  std::printf("sweep | %s | calls:%s\n", area.name, list.c_str());

  for (const std::string& call : calls) {
    if (call == "GetVersion") {  // answers with the version, not a result code: nothing can fail
      std::printf("sweep | %s | %s | - | returns a value, no result code | - |\n", area.name, call.c_str());
      continue;
    }
    Sweep(call, kFault, baselineFailures);
  }
  for (const char* wait : area.waits) {
    Sweep(wait, kFault, baselineFailures);
    Sweep(wait, NUVIXI_TIMEOUT, baselineFailures);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Areas, FaultSweep,
    ::testing::Values(Area{"main", "QCA08", TourOptions::kNoTab, {}, {}},
                      Area{"main_qla", "QLA16", TourOptions::kNoTab, {}, {}},
                      Area{"live", "QLA16", kLive, {}, {}},
                      Area{"video", "QCA08", kVideo, {}, {"LockWait4GetImageAddress"}},
                      Area{"audio", "QCA08", kAudio, {}, {"LockWait4GetSoundAddress"}},
                      Area{"serial", "QCA08", kSerial, {}, {"RUART_READ"}},
                      Area{"squad", "QCA08", kSquad, {}, {"LockWait4GetImageAddress"}},
                      Area{"pinax", "QCA08", kPinax, {}, {}},
                      Area{"play", "QCA08", kPlay, {kVideo, kAudio}, {"APLAY_ON"}}),
    [](const ::testing::TestParamInfo<Area>& info) { return std::string(info.param.name); });

}  // namespace
