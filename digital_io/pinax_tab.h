// The PINAX tab: the digital I/O sub-board's master and slave units (inputs
// polled, outputs toggled by clicking), the watchdog, the two TV-out
// multiplexers with their OSD text lines, and the EEPROM main block.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "failure_edge.h"
#include "grid_event.h"
#include "settings_grids.h"
#include "tab_dialog.h"

class CPinaxTab : public CTabDialog {
  Q_OBJECT
 public:
  static constexpr int kUnitSignals = 16;
  static constexpr int kPollTimerId = 111;
  static constexpr int kPollMs = 150;
  static constexpr int kWatchdogMin = 3, kWatchdogMax = 250;
  static constexpr uint32_t kOsdCells = 24;
  static constexpr int32_t kBlankCode = 127;
  static constexpr uint32_t kInputBufferBytes = 168;

  CPinaxTab();
  ~CPinaxTab() override;

  void Init(CNuvixSdkDlg* owner, int boardIndex, const BoardCaps& caps, int extra) override;

  // A notification of the master (or the slave) unit's grid.
  void OnGridNotify(bool slave, const nuvix::GridEvent& event);
  void OnMode(bool slave, int mode);
  void SelectCameras(int32_t camera1, int32_t camera2);
  void PollInputs();
  void OnOsdWrite(int line);
  void OnOsdClear(int line);
  void OnWatchdogEnable(bool on);
  void OnWatchdogReset();
  void OnWatchdogTime(int seconds);
  void OnMainBlockCheck();

  // The OSD codes of a text: 127 for a space, else the character as a signed
  // byte minus 16.
  static std::vector<int32_t> OsdCodes(const std::string& text);
  // The 8 key bytes of a key text: upper-cased, the first 16 characters as
  // hexadecimal digits (missing ones 0, other characters their low 4 bits).
  static std::vector<uint8_t> PackKey(const std::string& keyText);
  // The leading decimal digits of text (0 when none).
  static int32_t LeadingNumber(const QString& text);

  // Read-outs for the tour and the tests.
  uint32_t Output(bool slave, int k) const { return (slave ? slaveOut_ : masterOut_)[k]; }
  uint32_t Input(bool slave, int k) const { return (slave ? slaveIn_ : masterIn_)[k]; }
  int Mode(bool slave) const { return slave ? slaveMode_ : masterMode_; }
  int32_t Camera(int mux) const { return mux == 0 ? camera1_ : camera2_; }
  int WatchdogSeconds() const { return watchdogSeconds_; }
  bool Polling() const { return pollTimerId_ != 0; }
  nuvix::SettingsGrid& Grid(bool slave) { return slave ? slaveGrid_ : masterGrid_; }

  std::vector<TourStep> TourSteps() override;

 protected:
  void OnInitDialog() override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void BuildGrids();
  void ApplyModes();
  void ShowSignals();
  void ShowWatchdogTime();
  // Sends codes to OSD line (0 or 1) at start; clips what would pass the
  // line's end and refuses a start beyond it, each with a log line.
  void WriteOsd(int line, int32_t start, std::vector<int32_t> codes);

  uint32_t board_ = 0;
  int muxCount_ = 0;
  int mux1Choices_ = 0;
  int mux2Choices_ = 0;
  int32_t camera1_ = 0;
  int32_t camera2_ = 0;
  int masterMode_ = 0;
  int slaveMode_ = 0;
  int masterInputs_ = 0, masterOutputs_ = 0, slaveInputs_ = 0, slaveOutputs_ = 0;
  // Sized for the grids, which read as many entries as they have columns;
  // only the first kUnitSignals are ever set.
  uint32_t masterIn_[nuvix::SettingsGrid::kMaxChannels] = {};
  uint32_t slaveIn_[nuvix::SettingsGrid::kMaxChannels] = {};
  uint32_t masterOut_[nuvix::SettingsGrid::kMaxChannels] = {};
  uint32_t slaveOut_[nuvix::SettingsGrid::kMaxChannels] = {};
  FailureEdge inputPoll_;
  // The multiplexer rows show the one selected camera each.
  uint32_t mux1Shown_ = 0;
  uint32_t mux2Shown_ = 0;
  int watchdogSeconds_ = kWatchdogMin;
  int pollTimerId_ = 0;
  nuvix::SettingsGrid masterGrid_;
  nuvix::SettingsGrid slaveGrid_;
};
