// The self-test against the simulated boards: a healthy board passes and
// leaves everything as it found it, an injected fault fails exactly its own
// block, a wait that never returns fails within its time-out, and a run that
// cannot start says why with exit code 2. Every run also writes the HTML
// report and the JUnit file, which must say what the JSON file says.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "html_report.h"
#include "junit_report.h"
#include "nuvixi_sim.h"
#include "report_reading.h"
#include "self_test.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
  int exitCode = -1;
  std::string out, err;
  QJsonObject json;
  std::string page, junit;
  double seconds = 0;
};

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

std::string Drain(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  std::fclose(file);
  return text;
}

class SelfTestTest : public testing::Test {
 protected:
  void SetUp() override {
    NUVIXI_SIM_Reset();
    const std::string stem = "nuvix-self-test-" + std::to_string(::getpid());
    json_ = fs::temp_directory_path() / (stem + ".json");
    page_ = fs::temp_directory_path() / (stem + ".html");
    junit_ = fs::temp_directory_path() / (stem + ".xml");
  }
  void TearDown() override {
    for (const fs::path& path : {json_, page_, junit_}) fs::remove(path);
    NUVIXI_SIM_Reset();
  }

  RunResult RunQuick(SelfTestOptions options = {}) {
    options.quick = true;
    if (options.jsonPath.empty()) options.jsonPath = json_.string();
    if (options.reportPath.empty()) options.reportPath = page_.string();
    if (options.junitPath.empty()) options.junitPath = junit_.string();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    RunResult run;
    const auto start = std::chrono::steady_clock::now();
    run.exitCode = RunSelfTest(options, out, err);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.out = Drain(out);
    run.err = Drain(err);
    run.json = QJsonDocument::fromJson(QByteArray::fromStdString(ReadText(options.jsonPath))).object();
    run.page = ReadText(options.reportPath);
    run.junit = ReadText(options.junitPath);
    return run;
  }

  // "block/test" -> the test's JSON record, of board 0.
  static std::map<std::string, QJsonObject> Tests(const RunResult& run, int board = 0) {
    std::map<std::string, QJsonObject> tests;
    for (const auto& value : run.json["boards"].toArray()[board].toObject()["tests"].toArray()) {
      const QJsonObject test = value.toObject();
      tests[(test["block"].toString() + "/" + test["test"].toString()).toStdString()] = test;
    }
    return tests;
  }

  static std::set<std::string> Failed(const RunResult& run) {
    std::set<std::string> failed;
    for (const auto& [name, test] : Tests(run))
      if (test["result"].toString() == "FAIL") failed.insert(name);
    return failed;
  }

  fs::path json_, page_, junit_;
};

const uint8_t kDefaultKey[8] = {'N', 'U', 'V', 'I', 'X', 'S', 'D', 'K'};

SelfTestOptions WithKey() {
  SelfTestOptions options;
  options.eepromKey.emplace();
  std::copy(std::begin(kDefaultKey), std::end(kDefaultKey), options.eepromKey->begin());
  return options;
}

// Every call that switches something on is followed later by the call that
// switches it off again, with the same leading arguments.
void ExpectSwitchedOff(const std::vector<std::string>& calls, const std::string& on, const std::string& off, size_t keptArgs) {
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].rfind(on + "(", 0) != 0) continue;
    std::string args = calls[i].substr(on.size() + 1);
    size_t cut = 0;
    for (size_t k = 0; k < keptArgs; ++k) cut = args.find_first_of(",)", cut) + 1;
    const std::string wanted = off + "(" + args.substr(0, cut - 1) + ")";
    bool found = false;
    for (size_t j = i + 1; j < calls.size() && !found; ++j) found = calls[j] == wanted;
    EXPECT_TRUE(found) << calls[i] << " never followed by " << wanted;
  }
}

// Intervals recorded in milliseconds, in the order they came, all inside the
// test that measured them: each positive, together no longer than the test,
// and on average the interval asked for within a factor of two (the
// self-test's own verdict judges the rate; this catches a wrong unit or a
// series that is not the channel's own, and holds on a loaded machine).
void ExpectIntervals(const QJsonArray& ms, double asked, double testMs, qsizetype atLeast = 1) {
  EXPECT_GE(ms.size(), atLeast);
  double sum = 0;
  for (const auto& value : ms) {
    EXPECT_GT(value.toDouble(), 0);
    sum += value.toDouble();
  }
  EXPECT_LE(sum, testMs + 1);
  if (ms.isEmpty()) return;
  const double mean = sum / static_cast<double>(ms.size());
  EXPECT_TRUE(mean > asked / 2 && mean < asked * 2) << "mean " << mean << " ms, " << asked << " ms asked for";
}

// What the healthy simulated board did, as the measurements record it: every
// channel with its own plan and intervals, each input's own tone, each byte
// back, each output on its own input.
void ExpectMeasuredWhatTheBoardDid(std::map<std::string, QJsonObject>& tests) {
  for (const char* name : {"video/capture", "frame slots/group budget"}) {
    const QJsonArray frames = tests[name]["measurements"].toObject()["frameIntervals"].toArray();
    EXPECT_EQ(frames.size(), std::string(name) == "video/capture" ? 32 : 4) << name;
    for (const auto& value : frames) {
      const QJsonObject channel = value.toObject();
      SCOPED_TRACE(std::string(name) + " channel " + std::to_string(channel["channel"].toInt()));
      ExpectIntervals(channel["ms"].toArray(), channel["expectedMs"].toDouble(), tests[name]["ms"].toDouble());
      double planned = 0;
      for (const auto& interval : channel["plannedMs"].toArray()) planned += interval.toDouble();
      EXPECT_NEAR(planned, 1000, 0.01) << "the plan covers one second";
    }
  }
  const QJsonObject audioTest = tests["audio capture/cadence"];
  const QJsonArray audio = audioTest["measurements"].toObject()["audio"].toArray();
  ASSERT_EQ(audio.size(), 16);
  for (const auto& value : audio) {
    const QJsonObject input = value.toObject();
    const auto channel = static_cast<uint32_t>(input["channel"].toInt());
    SCOPED_TRACE("audio channel " + std::to_string(channel));
    const double rate = input["sampleRate"].toDouble();
    EXPECT_NEAR(input["samples"].toArray().size(), rate / 100, 1) << "10 ms of the input";
    // Within one FFT bin of a 4096-sample block.
    EXPECT_NEAR(input["peakHz"].toDouble(), NUVIXI_SIM_AudioToneHz(channel), rate / 4096);
    ExpectIntervals(input["blockIntervalsMs"].toArray(), input["blockMs"].toDouble(), audioTest["ms"].toDouble());
  }
  const QJsonObject playback = tests["audio playback/refill pacing"];
  const QJsonObject refills = playback["measurements"].toObject()["refillIntervals"].toObject();
  ExpectIntervals(refills["ms"].toArray(), refills["expectedMs"].toDouble(), playback["ms"].toDouble(), 3);
  const QJsonObject serial = tests["serial port/loopback"];
  const QJsonArray trips = serial["measurements"].toObject()["roundTrips"].toObject()["ms"].toArray();
  EXPECT_EQ(trips.size(), 17);
  double tripsMs = 0;
  for (const auto& trip : trips) tripsMs += trip.toDouble();
  EXPECT_LE(tripsMs, serial["ms"].toDouble() + 1) << "every round trip lies inside the test";
  const QJsonArray map = tests["digital I/O/outputs to inputs"]["measurements"].toObject()["ioMap"].toArray();
  ASSERT_EQ(map.size(), 32);
  for (qsizetype k = 0; k < 32; ++k) EXPECT_EQ(map[k].toInteger(), qint64{1} << k) << "output " << k;
}

TEST_F(SelfTestTest, DefaultBoardPassesWritesTheDocumentedJsonAndRestoresTheBoard) {
  const RunResult run = RunQuick(WithKey());
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("board 0 (QCA08)\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("self-test: 16 tests on 1 board(s): 15 OK, 0 FAIL, 1 SKIP"), std::string::npos) << run.out;

  // The documented fields.
  EXPECT_EQ(run.json["schema"].toString(), "nuvixsdk-self-test/2");
  EXPECT_FALSE(run.json["driverVersion"].toString().isEmpty());
  EXPECT_EQ(run.json["standard"].toString(), "ntsc");
  EXPECT_TRUE(run.json["quick"].toBool());
  EXPECT_EQ(run.json["exitCode"].toInt(-1), 0);
  const QJsonObject summary = run.json["summary"].toObject();
  EXPECT_EQ(summary["ok"].toInt(), 15);
  EXPECT_EQ(summary["fail"].toInt(), 0);
  EXPECT_EQ(summary["skip"].toInt(), 1);
  const QJsonArray boards = run.json["boards"].toArray();
  ASSERT_EQ(boards.size(), 1);
  EXPECT_EQ(boards[0].toObject()["board"].toInt(-1), 0);
  EXPECT_EQ(boards[0].toObject()["model"].toString(), "QCA08");
  const QJsonObject detail = boards[0].toObject()["detail"].toObject();
  EXPECT_EQ(detail["boardId"].toInt(), 32);
  EXPECT_EQ(detail["captureChannels"].toInt(), 32);
  EXPECT_EQ(detail["audioChannels"].toInt(), 16);

  // The blocks in their order, each test OK or skipped with its reason.
  std::vector<std::string> blocks;
  for (const auto& value : boards[0].toObject()["tests"].toArray()) {
    const QJsonObject test = value.toObject();
    const std::string block = test["block"].toString().toStdString();
    if (blocks.empty() || blocks.back() != block) blocks.push_back(block);
    const QString result = test["result"].toString();
    EXPECT_TRUE(result == "OK" || (result == "SKIP" && !test["text"].toString().isEmpty()))
        << block << ": " << result.toStdString() << " " << test["text"].toString().toStdString();
    EXPECT_TRUE(test["ms"].isDouble());
    EXPECT_TRUE(test["log"].isArray());
  }
  const std::vector<std::string> order = {"board",       "video",      "frame slots",  "compression",
                                          "audio capture", "audio playback", "live",     "screen division",
                                          "serial port", "digital I/O", "watchdog",     "EEPROM", "board"};
  EXPECT_EQ(blocks, order);

  // The log lines of the calls, in the log's own format, with the test that made them.
  std::map<std::string, QJsonObject> tests = Tests(run);
  EXPECT_EQ(tests["board/open"]["log"].toArray()[0].toString(), "RV(80) = NUVIXI_BDOpen(0,3F,1) ");
  EXPECT_EQ(tests["EEPROM/read"]["text"].toString(), "4E580520000001020603010000000000");

  // Everything switched on was switched off, the outputs are back at rest and the board closed.
  const std::vector<std::string> calls = SimJournalCalls();
  ExpectSwitchedOff(calls, "CaptureVideoTransferON", "CaptureVideoTransferOFF", 2);
  ExpectSwitchedOff(calls, "CaptureAudioTransferON", "CaptureAudioTransferOFF", 2);
  ExpectSwitchedOff(calls, "WDOGEnable", "WDOGDisable", 1);
  ExpectSwitchedOff(calls, "SQUAD_ON", "SQUAD_OFF", 1);
  ExpectSwitchedOff(calls, "APLAY_LOAD", "APLAY_OFF", 1);
  std::string lastSerialConfig;
  for (const std::string& call : calls)
    if (call.rfind("RUART_CONFIG(", 0) == 0) lastSerialConfig = call;
  EXPECT_EQ(lastSerialConfig, "RUART_CONFIG(0,3,1)") << "back at 9600 baud, no parity";
  std::string lastBoardCall;  // the version query of the JSON file needs no board
  for (const std::string& call : calls)
    if (call != "GetVersion()") lastBoardCall = call;
  EXPECT_EQ(lastBoardCall, "BDClose(0)");
  uint32_t outputs[32];
  ASSERT_EQ(NUVIXI_SIM_DigitalOutputs(0, outputs), 0);
  for (uint32_t k = 0; k < 32; ++k) EXPECT_EQ(outputs[k], 0u) << "output " << k;
  uint64_t expiries = 1;
  ASSERT_EQ(NUVIXI_SIM_WatchdogExpiries(0, &expiries), 0);
  EXPECT_EQ(expiries, 0u);

  ExpectReportsAgreeWithJson(run.json, run.page, run.junit);
  ExpectMeasuredWhatTheBoardDid(tests);
}

// Faults in blocks that are not next to each other, one run per row: exactly
// the blocks hit fail, with the driver's error text, and the others still pass.
TEST_F(SelfTestTest, AnInjectedFaultFailsExactlyItsOwnBlock) {
  struct Fault {
    const char* function;  // null: the fault is the case's stuck input
    uint32_t code;
    const char* test;  // "block/test" that must fail
    const char* text;  // in its reason
  };
  struct Case {
    const char* boards;
    std::vector<Fault> faults;
    int stuckInput = -1;  // a digital input held at 1 from outside
  };
  const Case cases[] = {
      {"QCA08",
       {{"CaptureVideoTransferON", 0x53, "video/capture", "MALLOC FAIL MEMORY TOO SMALL"},
        {"APLAY_LOAD", 0x31, "audio playback/refill pacing", "NUVIXI_APLAYLOAD(0,1,0,"},
        {"RUART_WRITE", 0x32, "serial port/loopback", "IIC LOCAL BUS ERROR"},
        {"WDOGEnable", 0x31, "watchdog/arm and disarm", "NUVIXI_WDOGEnable(0,FA) returned 31 LOACAL BUS ERROR"},
        {nullptr, 0, "digital I/O/outputs to inputs", "inputs that do not follow their outputs: 00000020"}},
       5},
      {"QCA08",
       {{"BDDetailInfo", 0x31, "board/detail", "LOACAL BUS ERROR"},
        {"GET_CaptureFPS", 0x31, "frame slots/group budget", "LOACAL BUS ERROR"},
        {"CaptureAudioTransferON", 0x21, "audio capture/cadence", "INPUT ARGUMENT INVALID"},
        {"SQUAD_UPT", 0x53, "screen division/surfaces and update", "NUVIXI_SQUAD_UPT(0)"},
        {"DIGITALIN_SIGNAL", 0x32, "digital I/O/outputs to inputs", "IIC LOCAL BUS ERROR"},
        {"EEPROM_READ_Control", 0x32, "EEPROM/read", "IIC LOCAL BUS ERROR"},
        {"BDClose", 0x22, "board/close", "NUVIX BOARD NOT FOUND"}}},
      {"QLA16", {{"LiveVideoTransferON", 0x31, "live/overlay DMA", "NUVIXI_LiveVideoTransferON(0)"}}},
  };
  for (const Case& c : cases) {
    NUVIXI_SIM_Reset();
    ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText(c.boards), 0);
    std::set<std::string> expected;
    for (const Fault& fault : c.faults) {
      if (fault.function) NUVIXI_SIM_FailNext(fault.function, fault.code);
      expected.insert(fault.test);
    }
    if (c.stuckInput >= 0) {
      ASSERT_EQ(NUVIXI_SIM_SetDigitalInput(0, static_cast<uint32_t>(c.stuckInput), 1), 0);
    }
    const RunResult run = RunQuick(WithKey());
    SCOPED_TRACE(run.out);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.json["exitCode"].toInt(-1), 1);
    EXPECT_EQ(Failed(run), expected);
    std::map<std::string, QJsonObject> tests = Tests(run);
    for (const Fault& fault : c.faults) {
      const QString reason = tests[fault.test]["text"].toString();
      EXPECT_TRUE(reason.contains(fault.text)) << fault.test << ": " << reason.toStdString();
      EXPECT_NE(run.out.find(std::string("FAIL: ") + reason.toStdString()), std::string::npos) << fault.test;
    }
    // The close test ran, so every block after the faults still ran.
    EXPECT_EQ(tests.count("board/close"), 1u);
    // The map shows the stuck input answering every output.
    const QJsonArray map = tests["digital I/O/outputs to inputs"]["measurements"].toObject()["ioMap"].toArray();
    for (qsizetype k = 0; c.stuckInput >= 0 && k < map.size(); ++k)
      EXPECT_EQ(map[k].toInteger(), (qint64{1} << k) | (qint64{1} << c.stuckInput)) << "output " << k;
    ExpectReportsAgreeWithJson(run.json, run.page, run.junit);
  }
}

TEST_F(SelfTestTest, ABoardThatDoesNotOpenFailsItsOpenAndRunsNoBlock) {
  ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText("QCA08,QCA04"), 0);
  NUVIXI_SIM_FailNext("BDOpen", 0x22);
  const RunResult run = RunQuick();
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_EQ(Failed(run), std::set<std::string>{"board/open"});
  EXPECT_EQ(Tests(run).size(), 3u) << "search, detail and open only";
  EXPECT_EQ(Tests(run, 1).size(), 16u) << "the next board is tested in full";
  ExpectReportsAgreeWithJson(run.json, run.page, run.junit);
}

// A channel without a camera never returns from its wait: the capture test
// fails within its own window and the wait is broken, the run goes on.
TEST_F(SelfTestTest, AWaitThatNeverReturnsFailsWithinItsTimeOut) {
  ASSERT_EQ(NUVIXI_SIM_SetCameraSignal(0, 5, 0), 0);
  const RunResult run = RunQuick();
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_EQ(Failed(run), std::set<std::string>{"video/capture"});
  const QJsonObject capture = Tests(run)["video/capture"];
  const std::string reason = capture["text"].toString().toStdString();
  EXPECT_EQ(reason.rfind("channel 5: no frame within ", 0), 0u) << reason;
  EXPECT_NE(reason.find("(no camera signal)"), std::string::npos) << reason;
  // The window of a 7 frames/s channel in --quick is under 2 s; a wait that
  // hung would hold the test far longer.
  EXPECT_LT(capture["ms"].toInt(), 4000);
  const std::vector<std::string> calls = SimJournalCalls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "CancelLockWait4GetImageAddress(0,5)"), calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), "CaptureVideoTransferOFF(0,5)"), calls.end());
  // The silent channel still has its plot, empty.
  ExpectReportsAgreeWithJson(run.json, run.page, run.junit);
}

TEST_F(SelfTestTest, ARunThatCannotStartSaysWhyWithExitCode2) {
  struct Case {
    const char* boards;
    int board;
    std::string SelfTestOptions::*file;  // an output file that cannot be written, or none
    std::string err;
  };
  const Case cases[] = {
      {"none", SelfTestOptions::kAllBoards, nullptr, "self-test: no board found\n"},
      {"QCA08", 9, nullptr, "self-test: no board 9: the driver found 1 board(s)\n"},
      {"QCA08", 0, &SelfTestOptions::jsonPath, "self-test: cannot write /proc/nuvix-self-test: "},
      {"QCA08", 0, &SelfTestOptions::reportPath, "self-test: cannot write /proc/nuvix-self-test: "},
      {"QCA08", 0, &SelfTestOptions::junitPath, "self-test: cannot write /proc/nuvix-self-test: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.err);
    ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText(c.boards), 0);
    NUVIXI_SIM_ClearJournal();
    SelfTestOptions options;
    options.board = c.board;
    if (c.file) options.*c.file = "/proc/nuvix-self-test";
    const RunResult run = RunQuick(options);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err.substr(0, c.err.size()), c.err);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out, "");
    for (const std::string& call : SimJournalCalls()) EXPECT_EQ(call.rfind("BDOpen", 0), std::string::npos) << call;
  }
}

// Texts that are markup, or that XML cannot carry, come back from both files
// as they were (a control character as '?') and break neither.
TEST(SelfTestReportFiles, HostileTextsComeBackFromBothFiles) {
  const std::pair<std::string, std::string> cases[] = {  // written, read back
      {"<b>&amp;</b>", "<b>&amp;</b>"},
      {"]]> \"double\" 'single' --", "]]> \"double\" 'single' --"},
      {"tab\there\r\nnext", "tab\there\r\nnext"},
      {std::string("bell\x07 nul") + '\0' + "end", "bell? nul?end"},
  };
  for (const auto& [text, back] : cases) {
    SCOPED_TRACE(back);
    std::FILE* out = std::tmpfile();
    SelfTestReport report(out, nullptr);
    report.BeginBoard(0, text);
    report.AddLog({text, ""});
    report.AddTest(text, text, Failed(text), 7);
    std::fclose(out);
    const JUnitReading ci = ReadJUnit(JUnitReport(report));
    ASSERT_EQ(ci.error, "");
    ASSERT_EQ(ci.suites.size(), 1u);
    ASSERT_EQ(ci.suites[0].cases.size(), 1u);
    JUnitCase testCase = ci.suites[0].cases[0];
    EXPECT_EQ(testCase.attributes["classname"], back);
    EXPECT_EQ(testCase.attributes["name"], back);
    EXPECT_EQ(testCase.children["failure"], back);
    EXPECT_EQ(testCase.children["system-out"], back + "\n");
    const PageReading page = ReadPage(HtmlReport(report, "ntsc", true));
    ASSERT_EQ(page.error, "");
    ASSERT_EQ(page.boards.size(), 1u);
    EXPECT_EQ(page.boards[0].count(back + "/" + back), 1u);
  }
}

}  // namespace
