#include "full_load.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <chrono>
#include <cstdio>

#include "acapt_tab.h"
#include "control_ids.h"
#include "fixg_ctrl.h"
#include "nuvix_sdk_dlg.h"
#include "nuvixi_sim.h"
#include "pinax_ids.h"
#include "pinax_tab.h"
#include "recorded_file.h"
#include "scripted_prompts.h"
#include "serial_ids.h"
#include "serial_tab.h"
#include "settings_grids.h"
#include "squad_tab.h"
#include "tab_factory.h"
#include "timing.h"
#include "video_ids.h"
#include "video_tab.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kThirtyCells = 14;              // the SQUAD tab's 30CH layout
constexpr int kPinaxOutputRow = 2;
constexpr int kBaud38400 = 5, kParityNone = 1;
constexpr auto kLinePeriod = std::chrono::milliseconds(100);
constexpr auto kTogglePeriod = std::chrono::seconds(1);
constexpr int kSerialDrainMs = 3000;
constexpr int kTabOrder[] = {CNuvixSdkDlg::kVideo, CNuvixSdkDlg::kSquad, CNuvixSdkDlg::kAudio, CNuvixSdkDlg::kSerial,
                             CNuvixSdkDlg::kPinax};


void Click(CWinDialog* dialog, int id) {
  if (auto* button = dialog->ItemAs<QAbstractButton>(id)) button->click();
}

}  // namespace

FullLoad::FullLoad(fs::path directory)
    : directory_(std::move(directory)), prompts_(std::make_shared<nuvix::ScriptedPrompts>()) {}

FullLoad::~FullLoad() = default;

bool FullLoad::Start() {
  nuvix::InstallPrompts(prompts_);
  if (!OpenBoard() || !StartVideo() || !StartAudio()) return false;
  StartSerialAndDigital();
  return true;
}

bool FullLoad::OpenBoard() {
  if (NUVIXI_SIM_SetBoardsFromText("QCA08") != 0) {
    problem_ = "the simulator does not take QCA08";
    return false;
  }
  dialog_ = std::make_unique<CNuvixSdkDlg>(&MakeTab);
  dialog_->show();
  Click(dialog_.get(), main_ids::kSearch);
  Click(dialog_.get(), main_ids::kFirstSelect);
  for (int option : {main_ids::kVideoOption, main_ids::kAudioOption, main_ids::kSerialOption, main_ids::kSquadOption})
    dialog_->ItemAs<QAbstractButton>(option)->setChecked(true);
  Click(dialog_.get(), main_ids::kNtscOpen);
  video_ = dynamic_cast<CVideoTab*>(dialog_->Tab(CNuvixSdkDlg::kVideo));
  audio_ = dynamic_cast<CAcaptTab*>(dialog_->Tab(CNuvixSdkDlg::kAudio));
  serial_ = dynamic_cast<CSerialTab*>(dialog_->Tab(CNuvixSdkDlg::kSerial));
  pinax_ = dynamic_cast<CPinaxTab*>(dialog_->Tab(CNuvixSdkDlg::kPinax));
  auto* squad = dynamic_cast<CSquadTab*>(dialog_->Tab(CNuvixSdkDlg::kSquad));
  if (!dialog_->IsBoardOpen() || !video_ || !audio_ || !serial_ || !pinax_ || !squad || !squad->HasRenderer()) {
    problem_ = "the board did not open with the video, audio, serial, SQUAD and PINAX tabs";
    return false;
  }
  Click(dialog_.get(), main_ids::kTabButtons[CNuvixSdkDlg::kSquad]);
  Click(squad, CSquadTab::LayoutButtonId(kThirtyCells));
  return true;
}

bool FullLoad::StartVideo() {
  namespace rows = nuvix::video_rows;
  Click(dialog_.get(), main_ids::kTabButtons[CNuvixSdkDlg::kVideo]);
  prompts_->AnswerFile((directory_ / "video").string());
  Click(video_, video_ids::kFileSave);
  // Ratio 50 on every channel (the label column), then YUY2 (H.263) on the second half.
  video_->OnGridNotify(nuvix::WheelTurn(50 * 120, 0, rows::kRatio));
  const uint32_t channels = video_->ChannelCount();
  for (uint32_t ch = channels / 2; ch < channels; ++ch)
    for (int step = 0; step < 2; ++step) video_->OnGridNotify(nuvix::RightPress(ch + 1, rows::kFormat));
  PumpWait(CVideoTab::kActionThrottleMs + 10);
  video_->OnGridNotify(nuvix::RightPress(0, rows::kAction));  // start all
  for (uint32_t ch = 0; ch < channels; ++ch) {
    const int c = static_cast<int>(ch);
    const uint32_t format = ch < channels / 2 ? 0 : 2;
    if (!video_->FileSave() || channels != 32 || !video_->IsCapturing(c) || video_->ColourFormat(c) != format ||
        video_->CompressRatio(c) != 50) {
      problem_ = "video channel " + std::to_string(ch) + " is not recording as asked";
      return false;
    }
  }
  return true;
}

bool FullLoad::StartAudio() {
  Click(dialog_.get(), main_ids::kTabButtons[CNuvixSdkDlg::kAudio]);
  prompts_->AnswerFile((directory_ / "audio").string());
  Click(audio_, CAcaptTab::kIdFileSave);
  Click(audio_, CAcaptTab::kIdAllChannels);
  for (uint32_t ch = 0; ch < audio_->ChannelCount(); ++ch) {
    if (!audio_->FileSave() || audio_->ChannelCount() != 16 || !audio_->IsRunning(static_cast<int>(ch))) {
      problem_ = "audio channel " + std::to_string(ch) + " is not recording";
      return false;
    }
  }
  return true;
}

void FullLoad::StartSerialAndDigital() {
  Click(dialog_.get(), main_ids::kTabButtons[CNuvixSdkDlg::kSerial]);
  serial_->ItemAs<QComboBox>(serial_ids::kBaud)->setCurrentIndex(kBaud38400);
  serial_->ItemAs<QComboBox>(serial_ids::kParity)->setCurrentIndex(kParityNone);
  Click(serial_, serial_ids::kConfig);
  Click(dialog_.get(), main_ids::kTabButtons[CNuvixSdkDlg::kPinax]);
  Click(pinax_, pinax_ids::kMaster16x16);
}

void FullLoad::Run(uint32_t ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  auto nextLine = Clock::now();
  auto nextToggle = nextLine + kTogglePeriod;
  for (auto now = Clock::now(); now < end; now = Clock::now()) {
    if (now >= nextLine) {
      SendSerialLine();
      nextLine = now + kLinePeriod;
    }
    if (now >= nextToggle) {
      ToggleDigitalOutput();
      nextToggle = now + kTogglePeriod;
    }
    PumpWait(20);
  }
  EndPeriod();
}

void FullLoad::SendSerialLine() {
  char line[64];
  std::snprintf(line, sizeof line, "NUVIX SOAK LINE %010llu ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                static_cast<unsigned long long>(++lines_));
  serial_->ItemAs<QLineEdit>(serial_ids::kSendText)->setText(QString::fromLatin1(line));
  Click(serial_, serial_ids::kSend);
  serialSent_ += std::char_traits<char>::length(line);
}

// The last toggle is a second old, several polls ago: every input shows its output.
void FullLoad::ToggleDigitalOutput() {
  ++digitalChecks_;
  for (int k = 0; k < CPinaxTab::kUnitSignals; ++k) {
    if (pinax_->Input(false, k) != pinax_->Output(false, k)) {
      ++digitalMismatches_;
      break;
    }
  }
  pinax_->OnGridNotify(false, nuvix::LeftPress(nextOutput_ + 1, kPinaxOutputRow));
  nextOutput_ = (nextOutput_ + 1) % CPinaxTab::kUnitSignals;
}

void FullLoad::EndPeriod() {
  // The simulator journals every board call for the tests (some 200 a second
  // here) and keeps the serial bytes the board sent for them to read; a board
  // keeps neither, so they are no part of what is measured.
  NUVIXI_SIM_ClearJournal();
  uint8_t transmitted[4096];
  while (NUVIXI_SIM_TakeSerialTx(0, transmitted, sizeof transmitted) > 0) {
  }
  const auto until = Clock::now() + std::chrono::milliseconds(kSerialDrainMs);
  while (serialShownBefore_ + serial_->ReceivedCount() < serialSent_ && Clock::now() < until) PumpWait(10);
  serialShownBefore_ += serial_->ReceivedCount();
  Click(serial_, serial_ids::kClear);
  shownTab_ = (shownTab_ + 1) % std::size(kTabOrder);
  Click(dialog_.get(), main_ids::kTabButtons[kTabOrder[shownTab_]]);
}

void FullLoad::Count(SoakSample& sample) const {
  sample.capturedFrames = sample.droppedFrames = sample.processedFrames = 0;
  for (uint32_t ch = 0; ch < video_->ChannelCount(); ++ch) {
    uint64_t delivered = 0, dropped = 0;
    NUVIXI_SIM_CaptureCounters(0, ch, &delivered, &dropped);
    sample.capturedFrames += delivered + dropped;
    sample.droppedFrames += dropped;
    sample.processedFrames += video_->RecordsWritten(static_cast<int>(ch));
  }
  unsigned channels = 0, frame = 0, frameTenth = 0, process = 0, processTenth = 0;
  if (std::sscanf(video_->StatisticsLine().toLatin1().constData(),
                  "DMA-ON CH:%u, Total Frame:%u.%u, Total Process:%u.%u", &channels, &frame, &frameTenth, &process,
                  &processTenth) == 5) {
    sample.shownCapturedFps = frame + frameTenth / 10.0;
    sample.shownProcessedFps = process + processTenth / 10.0;
  }
  sample.audioBlocks = sample.audioLost = 0;
  for (uint32_t ch = 0; ch < audio_->ChannelCount(); ++ch) {
    uint64_t delivered = 0, lost = 0;
    NUVIXI_SIM_SoundCounters(0, ch, &delivered, &lost);
    sample.audioLost += lost;
    sample.audioBlocks += audio_->BlocksWritten(static_cast<int>(ch));
  }
  sample.bytesWritten = 0;
  std::error_code error;
  for (fs::directory_iterator it(directory_, error), end; !error && it != end; it.increment(error))
    sample.bytesWritten += it->is_regular_file(error) ? it->file_size(error) : 0;
  sample.serialSent = serialSent_;
  sample.serialBack = serialShownBefore_ + serial_->ReceivedCount();
  sample.digitalChecks = digitalChecks_;
  sample.digitalMismatches = digitalMismatches_;
}

std::vector<RecordingCheck> FullLoad::Stop() {
  PumpWait(CVideoTab::kActionThrottleMs + 10);
  video_->OnGridNotify(nuvix::RightPress(0, nuvix::video_rows::kAction));  // stop all
  Click(audio_, CAcaptTab::kIdAllChannels);
  std::vector<RecordingCheck> recordings;
  for (uint32_t ch = 0; ch < video_->ChannelCount(); ++ch)
    recordings.push_back({video_->File(static_cast<int>(ch)).path(), video_->RecordsWritten(static_cast<int>(ch)), 0});
  for (uint32_t ch = 0; ch < audio_->ChannelCount(); ++ch)
    recordings.push_back({audio_->File(static_cast<int>(ch)).path(), audio_->BlocksWritten(static_cast<int>(ch)), 0});
  return recordings;
}

size_t FullLoad::MessageCount() const { return prompts_->Messages().size(); }
