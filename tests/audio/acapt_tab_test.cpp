// The audio tab on the simulated board: initialisation, the grid's rate,
// volume and gain rules per model, start and stop rules, the reference
// trackbar, and recordings whose samples carry each input's tone at the
// configured rate and follow the gain.
#include <QSlider>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

#include "app_fixture.h"
#include "acapt_channel.h"
#include "nuvixi.h"
#include "timing.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kLeft = 0x201, kLeftDouble = 0x203, kRight = 0x204, kWheel = 0x20A, kRepeat = 0x400;
constexpr uint32_t kRateRow = 1, kVolumeRow = 6, kGainRow = 7;
constexpr uint32_t kRates[5] = {0, 8000, 11025, 16000, 22050};

uint32_t WheelMessage(int delta) { return (static_cast<uint32_t>(static_cast<uint16_t>(delta)) << 16) | kWheel; }

// Journal lines that start with prefix.
std::vector<std::string> Calls(const std::string& prefix) {
  std::vector<std::string> calls = SimJournalCalls();
  std::erase_if(calls, [&](const std::string& call) { return call.rfind(prefix, 0) != 0; });
  return calls;
}

std::vector<int16_t> ReadSamples(const fs::path& path, uint32_t& tag, uint32_t& parameter) {
  std::ifstream in(path, std::ios::binary);
  in.read(reinterpret_cast<char*>(&tag), 4);
  in.read(reinterpret_cast<char*>(&parameter), 4);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// The frequency (in steps of 5 Hz up to the Nyquist limit) with the most
// power in the samples: a plain DFT, one frequency at a time.
double DominantHz(const int16_t* samples, size_t count, uint32_t rate) {
  double best = 0, bestPower = -1;
  for (double hz = 50; hz < rate / 2.0; hz += 5) {
    double re = 0, im = 0;
    const double w = 2.0 * std::numbers::pi * hz / rate;
    for (size_t i = 0; i < count; ++i) {
      re += samples[i] * std::cos(w * i);
      im -= samples[i] * std::sin(w * i);
    }
    if (re * re + im * im > bestPower) {
      bestPower = re * re + im * im;
      best = hz;
    }
  }
  return best;
}

double Rms(const std::vector<int16_t>& samples) {
  double sum = 0;
  for (int16_t s : samples) sum += static_cast<double>(s) * s;
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

class AudioTab : public AppFixture {
 protected:
  // Opens board 0 of the list with the audio block; the journal then holds
  // the tab's initialisation.
  void Open(const char* boards) {
    ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText(boards), 0);
    MakeDialog(nullptr);
    NUVIXI_SIM_ClearJournal();
    SearchSelectOpen({main_ids::kAudioOption});
    tab_ = dynamic_cast<CAcaptTab*>(dialog_->Tab(CNuvixSdkDlg::kAudio));
    ASSERT_NE(tab_, nullptr);
  }
  void Notify(uint32_t message, uint32_t column, uint32_t row) { tab_->OnGridNotify(nuvix::GridEvent::FromMessage(message, QPoint(static_cast<int>(column), static_cast<int>(row)))); }
  QAbstractButton* TabButton(int id) const { return tab_->ItemAs<QAbstractButton>(id); }
  void PressStart(int ch) { TabButton(CAcaptTab::kIdFirstStart + ch)->click(); }
  bool StartChecked(int ch) const { return TabButton(CAcaptTab::kIdFirstStart + ch)->isChecked(); }
  void TurnOnFileSave() {
    prompts_->AnswerFile((scratch_ / "take.PCM").string());
    TabButton(CAcaptTab::kIdFileSave)->click();
    ASSERT_TRUE(tab_->FileSave());
  }
  fs::path FileOf(int ch) const {
    char name[32];
    std::snprintf(name, sizeof name, "take.PCM_%02d.PCM", ch);
    return scratch_ / name;
  }
  // Pumps the GUI until channel ch's file holds blocks whole blocks.
  bool WaitForBlocks(int ch, uint32_t blocks) {
    const auto until = Clock::now() + std::chrono::seconds(8);
    const uintmax_t want = 8 + static_cast<uintmax_t>(blocks) * tab_->BlockBytes(ch);
    std::error_code error;
    while (Clock::now() < until) {
      if (fs::file_size(FileOf(ch), error) >= want) return true;
      PumpWait(20);
    }
    return false;
  }

  CAcaptTab* tab_ = nullptr;
};

TEST_F(AudioTab, InitialisationSetsOnlyTheReferenceAndFollowsTheModel) {
  struct Case {
    const char* board;
    uint32_t channels, ceiling;
  };
  for (const Case& c : {Case{"QLA16", 16, 15}, Case{"QCA02", 4, 31}, Case{"QCA04", 8, 31}, Case{"QCA08", 16, 31}}) {
    SCOPED_TRACE(c.board);
    if (dialog_) TearDown(), SetUp();
    Open(c.board);
    EXPECT_EQ(Calls("CaptureAudio"), std::vector<std::string>{"CaptureAudioReference(0,1F)"});
    EXPECT_NE(LogText().find("RV(80) = NUVIXI_CaptureAudioReference(0,1F) "), std::string::npos);
    EXPECT_EQ(TabButton(CAcaptTab::kIdReferenceLabel)->text().toStdString(), "Reference : 31");
    auto* slider = tab_->ItemAs<QSlider>(CAcaptTab::kIdReference);
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 63);
    EXPECT_EQ(slider->value(), 31);
    EXPECT_EQ(tab_->ChannelCount(), c.channels);
    for (int ch = 0; ch < CAcaptTab::kChannels; ++ch) {
      EXPECT_EQ(TabButton(CAcaptTab::kIdFirstStart + ch)->isEnabled(), static_cast<uint32_t>(ch) < c.channels) << ch;
      EXPECT_EQ(tab_->Volume(ch), c.ceiling);
      EXPECT_EQ(tab_->RateIndex(ch), 1u);
      EXPECT_EQ(tab_->Gain(ch), 1u);
    }
    EXPECT_EQ(tab_->Pane(9).props.title.toStdString(), "10 AU DIO Capture");
    // "All Channel Action" acts on the model's channels only.
    TabButton(CAcaptTab::kIdAllChannels)->click();
    EXPECT_EQ(Calls("CaptureAudioTransferON").size(), c.channels);
    EXPECT_TRUE(tab_->IsRunning(static_cast<int>(c.channels) - 1));
    TabButton(CAcaptTab::kIdAllChannels)->click();
    EXPECT_EQ(Calls("CaptureAudioTransferOFF").size(), c.channels);
  }
}

TEST_F(AudioTab, RateRowsGiveBlockUnitsAndTheModelsBlockBytes) {
  struct Case {
    uint32_t row, rate, units, qlaBytes, qcaBytes;
  };
  const Case cases[] = {{2, 1, 64, 16384, 8192},
                        {3, 2, 88, 16384, 11264},
                        {4, 3, 128, 16384, 16384},
                        {5, 4, 176, 16384, 22528}};
  for (const char* board : {"QLA08", "QCA08"}) {
    SCOPED_TRACE(board);
    if (dialog_) TearDown(), SetUp();
    Open(board);
    const bool qla = board[1] == 'L';
    for (const Case& c : cases) {
      SCOPED_TRACE(c.row);
      NUVIXI_SIM_ClearJournal();
      Notify(kLeft, 3, c.row);
      EXPECT_EQ(tab_->RateIndex(2), c.rate);
      PressStart(2);
      char call[64];
      std::snprintf(call, sizeof call, "CaptureAudioTransferON(0,2,%X,%X)", c.rate, c.units);
      EXPECT_EQ(Calls("CaptureAudioTransferON"), std::vector<std::string>{call});
      EXPECT_EQ(tab_->BlockBytes(2), qla ? c.qlaBytes : c.qcaBytes);
      PressStart(2);
      EXPECT_FALSE(tab_->IsRunning(2));
    }
    // "Capture  Disable" keeps the last block units, and the channel never starts.
    Notify(kRight, 3, kRateRow);
    EXPECT_EQ(tab_->RateIndex(2), 0u);
    EXPECT_EQ(tab_->BlockUnits(2), 176u);
    NUVIXI_SIM_ClearJournal();
    PressStart(2);
    EXPECT_FALSE(tab_->IsRunning(2));
    EXPECT_FALSE(StartChecked(2));
    EXPECT_TRUE(Calls("CaptureAudioTransferON").empty());
  }
}

TEST_F(AudioTab, VolumeAndGainStepWithinTheirRangesByPressRepeatAndWheel) {
  struct Step {
    uint32_t message;
    uint32_t volume;  // afterwards, from the previous step's value
  };
  // QCA: ceiling 31; QLA: ceiling 15. Both start at the ceiling.
  for (const char* board : {"QCA04", "QLA04"}) {
    SCOPED_TRACE(board);
    if (dialog_) TearDown(), SetUp();
    Open(board);
    const uint32_t top = tab_->VolumeCeiling();
    const Step steps[] = {
        {kRight, top},                  {kLeft, top - 1},     {kLeft | kRepeat, top - 2}, {WheelMessage(-240), top - 4},
        {WheelMessage(120), top - 3},   {WheelMessage(-119), top - 3}, {kLeftDouble, top - 3},
        {WheelMessage(-120 * 40), 0},   {kLeft, 0},           {kLeft | kRepeat, 0},      {kRight, 1},
    };
    for (const Step& s : steps) {
      Notify(s.message, 2, kVolumeRow);
      EXPECT_EQ(tab_->Volume(1), s.volume) << std::hex << s.message;
    }
    for (int i = 0; i < 10; ++i) Notify(kRight, 2, kGainRow);
    EXPECT_EQ(tab_->Gain(1), 7u);
    for (int i = 0; i < 10; ++i) Notify(kLeft | kRepeat, 2, kGainRow);
    EXPECT_EQ(tab_->Gain(1), 0u);
    // Nothing reached the board: the channel is not running.
    EXPECT_TRUE(Calls("CaptureAudioVolume").empty());
    EXPECT_TRUE(Calls("CaptureAudioPreAMP").empty());
  }
  // The label column changes every channel of the board, and no other.
  TearDown(), SetUp();
  Open("QCA02");
  Notify(kLeft, 0, kVolumeRow);
  for (int ch = 0; ch < CAcaptTab::kChannels; ++ch) EXPECT_EQ(tab_->Volume(ch), ch < 4 ? 30u : 31u) << ch;
  Notify(kRight, 0, kGainRow);
  for (int ch = 0; ch < CAcaptTab::kChannels; ++ch) EXPECT_EQ(tab_->Gain(ch), ch < 4 ? 2u : 1u) << ch;
  // A column beyond the board's channels does nothing.
  Notify(kLeft, 5, kVolumeRow);
  EXPECT_EQ(tab_->Volume(4), 31u);
}

TEST_F(AudioTab, RunningChannelsGetLevelsAtOnceAndRatesAtTheirNextStart) {
  Open("QCA08");
  PressStart(0);
  ASSERT_TRUE(tab_->IsRunning(0));
  EXPECT_TRUE(StartChecked(0));
  NUVIXI_SIM_ClearJournal();
  Notify(kLeft, 1, kVolumeRow);
  Notify(kRight, 1, kGainRow);
  Notify(kRight, 1, kGainRow);
  Notify(kRight, 2, kGainRow);  // channel 1 is not running
  EXPECT_EQ(Calls("CaptureAudio"), (std::vector<std::string>{"CaptureAudioVolume(0,0,1E)", "CaptureAudioPreAMP(0,0,2)",
                                                             "CaptureAudioPreAMP(0,0,3)"}));
  NUVIXI_SIM_ClearJournal();
  Notify(kLeft, 1, 5);  // 22.05 kHz
  EXPECT_TRUE(Calls("CaptureAudio").empty());
  EXPECT_EQ(tab_->BlockBytes(0), 8192u);
  PressStart(0);
  PressStart(0);
  EXPECT_EQ(Calls("CaptureAudio"),
            (std::vector<std::string>{"CaptureAudioTransferOFF(0,0)", "CaptureAudioVolume(0,0,1E)",
                                      "CaptureAudioPreAMP(0,0,3)", "CaptureAudioTransferON(0,0,4,B0)"}));
  EXPECT_EQ(tab_->BlockBytes(0), 22528u);
  PressStart(0);
}

TEST_F(AudioTab, AllChannelActionStopsWhenAnyRunsAndSkipsDisabledChannels) {
  Open("QCA04");
  PressStart(0);
  PressStart(1);
  TabButton(CAcaptTab::kIdAllChannels)->click();
  for (int ch = 0; ch < 8; ++ch) {
    EXPECT_FALSE(tab_->IsRunning(ch)) << ch;
    EXPECT_FALSE(StartChecked(ch)) << ch;
  }
  Notify(kLeft, 4, kRateRow);  // channel 3: capture disabled
  TabButton(CAcaptTab::kIdAllChannels)->click();
  for (int ch = 0; ch < 8; ++ch) {
    EXPECT_EQ(tab_->IsRunning(ch), ch != 3) << ch;
    EXPECT_EQ(StartChecked(ch), ch != 3) << ch;
  }
  TabButton(CAcaptTab::kIdAllChannels)->click();
  EXPECT_EQ(Calls("CaptureAudioTransferOFF").size(), 2u + 7u);
}

TEST_F(AudioTab, EveryTrackbarNotificationSetsTheReference) {
  Open("QCA08");
  auto* slider = tab_->ItemAs<QSlider>(CAcaptTab::kIdReference);
  NUVIXI_SIM_ClearJournal();
  slider->triggerAction(QAbstractSlider::SliderToMaximum);
  slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // at the top: unchanged, still a call
  slider->triggerAction(QAbstractSlider::SliderPageStepSub);
  slider->setSliderDown(true);
  slider->setSliderPosition(7);  // thumb tracking
  slider->setSliderDown(false);  // end of the drag
  const auto calls = Calls("CaptureAudioReference");
  ASSERT_EQ(calls.size(), 5u);
  EXPECT_EQ(calls[0], "CaptureAudioReference(0,3F)");
  EXPECT_EQ(calls[1], "CaptureAudioReference(0,3F)");
  EXPECT_EQ(calls[3], "CaptureAudioReference(0,7)");
  EXPECT_EQ(calls[4], "CaptureAudioReference(0,7)");
  EXPECT_EQ(tab_->Reference(), 7u);
  EXPECT_EQ(TabButton(CAcaptTab::kIdReferenceLabel)->text().toStdString(), "Reference :  7");
}

// End to end: two rates carry each input's tone, a higher gain records a
// louder signal, the scopes get their points, and the recording rules hold.
TEST_F(AudioTab, RecordingsCarryTheInputsToneAtTheirRateAndFollowTheGain) {
  Open("QCA08");
  prompts_->AnswerFile(std::nullopt);
  TabButton(CAcaptTab::kIdFileSave)->click();  // cancelled: nothing changes
  EXPECT_FALSE(tab_->FileSave());
  TurnOnFileSave();
  EXPECT_EQ(TabButton(CAcaptTab::kIdFileSave)->text().toStdString(), "File Save : Yes");
  Notify(kLeft, 2, 5);  // channel 1: 22.05 kHz
  Notify(kLeft, 3, 4);  // channels 2 and 3: 16 kHz
  Notify(kLeft, 4, 4);
  for (int i = 0; i < 4; ++i) Notify(kRight, 4, kGainRow);  // channel 3: gain 5, channel 2 keeps 1
  for (int ch = 0; ch < 4; ++ch) PressStart(ch);
  for (int ch = 0; ch < 4; ++ch) ASSERT_TRUE(WaitForBlocks(ch, 2)) << ch;
  PumpWait(150);  // a scope tick
  for (int ch = 0; ch < 4; ++ch) EXPECT_TRUE(tab_->Pane(ch).Sampler().HasData()) << ch;
  TabButton(CAcaptTab::kIdAllChannels)->click();

  double rms[4] = {};
  for (int ch = 0; ch < 4; ++ch) {
    SCOPED_TRACE(ch);
    uint32_t tag = 0, parameter = 0;
    const auto samples = ReadSamples(FileOf(ch), tag, parameter);
    EXPECT_EQ(tag, FOURCC_AUDI);
    ASSERT_EQ(parameter, tab_->RateIndex(ch));
    EXPECT_EQ(samples.size() * 2 % tab_->BlockBytes(ch), 0u);  // whole blocks only
    EXPECT_EQ(samples.size() * 2, size_t{tab_->BlocksWritten(ch)} * tab_->BlockBytes(ch));
    const uint32_t rate = kRates[parameter];
    EXPECT_NEAR(DominantHz(samples.data(), 4096, rate), NUVIXI_SIM_AudioToneHz(ch), 5.0);
    rms[ch] = Rms(samples);
  }
  EXPECT_NEAR(rms[3] / rms[2], 3.0, 0.3);  // gain 5 against gain 1: (5 + 1) / (1 + 1)

  // Starting again replaces the file; with File Save off a new start writes none.
  const uintmax_t before = fs::file_size(FileOf(0));
  PressStart(0);
  PressStart(0);
  EXPECT_LT(fs::file_size(FileOf(0)), before);
  TabButton(CAcaptTab::kIdFileSave)->click();
  EXPECT_EQ(TabButton(CAcaptTab::kIdFileSave)->text().toStdString(), "File Save : No");
  PressStart(5);
  PressStart(5);
  EXPECT_FALSE(fs::exists(FileOf(5)));
}

// A disk that fills while a channel records (a file-size limit stands in for
// it): one log line, the channel keeps running, the file holds whole blocks.
TEST_F(AudioTab, AFullDiskEndsTheRecordingWithOneLineAndWholeBlocks) {
  Open("QCA08");
  TurnOnFileSave();
  // 8 kHz; the tab sizes its blocks only when the channel starts.
  const uint32_t blockBytes = CAcaptTab::BlockBytesOf(QCA08, tab_->BlockUnits(0));
  ASSERT_EQ(blockBytes, 8192u);
  const rlim_t limit = 8 + 2 * blockBytes + blockBytes / 2;
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = before;
  limited.rlim_cur = limit;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  PressStart(0);
  const auto stopped = [this] { return LogText().find("FILE WRITE FAIL: CH 00 RECORDING STOPPED") != std::string::npos; };
  for (const auto until = Clock::now() + std::chrono::seconds(10); !stopped() && Clock::now() < until;) PumpWait(20);
  PumpWait(1200);  // more blocks arrive after the stop
  EXPECT_TRUE(StartChecked(0)) << "the channel keeps running";
  PressStart(0);
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, previousSignal);
  const std::string log = LogText();
  EXPECT_EQ(log.find("RECORDING STOPPED"), log.rfind("RECORDING STOPPED")) << log;
  EXPECT_NE(log.find("RECORDING STOPPED"), std::string::npos) << log;
  EXPECT_EQ(tab_->BlockBytes(0), blockBytes);
  EXPECT_EQ(fs::file_size(FileOf(0)), 8u + 2u * blockBytes);
  EXPECT_EQ(tab_->BlocksWritten(0), 2u) << "the block taken back is not counted";
}

// Closing the board with channels running stops each worker before its
// transfer goes off and its file closes: every file holds whole blocks.
TEST_F(AudioTab, ClosingTheBoardStopsRunningChannelsCleanly) {
  Open("QCA08");
  TurnOnFileSave();
  for (int ch : {0, 7, 15}) {
    Notify(kLeft, ch + 1, 5);
    PressStart(ch);
  }
  ASSERT_TRUE(WaitForBlocks(15, 1));
  const uint32_t blockBytes = tab_->BlockBytes(15);
  NUVIXI_SIM_ClearJournal();
  Click(1117);
  ASSERT_EQ(dialog_->Tab(CNuvixSdkDlg::kAudio), nullptr);
  const auto calls = Calls("");
  for (int ch : {0, 7, 15}) {
    char cancel[48], off[48];
    std::snprintf(cancel, sizeof cancel, "CancelLockWait4GetSoundAddress(0,%X)", ch);
    std::snprintf(off, sizeof off, "CaptureAudioTransferOFF(0,%X)", ch);
    const auto c = std::find(calls.begin(), calls.end(), cancel);
    const auto o = std::find(calls.begin(), calls.end(), off);
    EXPECT_TRUE(c < o && o != calls.end()) << ch;
    EXPECT_EQ((fs::file_size(FileOf(ch)) - 8) % blockBytes, 0u) << ch;
  }
  EXPECT_LT(std::find(calls.begin(), calls.end(), "CaptureAudioTransferOFF(0,F)"),
            std::find(calls.begin(), calls.end(), "BDClose(0)"));
}

}  // namespace
