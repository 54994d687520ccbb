// The program's main dialog with its real tabs on the simulated QCA08, every
// block under load and driven through its controls as a user drives it: all
// 32 video channels recording (half MJPG, half H.263) into a 30-cell screen
// division, 16 audio channels recording, text lines through the serial
// port's loopback plug and digital outputs toggled while the inputs are
// polled.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "soak_criteria.h"

class CNuvixSdkDlg;
class CVideoTab;
class CAcaptTab;
class CSerialTab;
class CPinaxTab;
namespace nuvix {
class ScriptedPrompts;
}

class FullLoad {
 public:
  // Recordings go into directory, which must exist.
  explicit FullLoad(std::filesystem::path directory);
  ~FullLoad();
  FullLoad(const FullLoad&) = delete;
  FullLoad& operator=(const FullLoad&) = delete;

  // Opens the board and starts every block; false, with the reason in
  // problem(), when one did not start.
  bool Start();
  // Keeps the traffic going for ms, then empties the serial receive box (once
  // what was sent is back) and shows the next tab, as a user watching would.
  void Run(uint32_t ms);
  // The counters as they stand (process figures and time are the caller's).
  void Count(SoakSample& sample) const;
  // Stops capture and recording; every recording with the records the
  // program counted, not yet indexed.
  std::vector<RecordingCheck> Stop();
  // Message boxes the program showed.
  size_t MessageCount() const;
  const std::string& problem() const { return problem_; }

 private:
  bool OpenBoard();
  bool StartVideo();
  bool StartAudio();
  void StartSerialAndDigital();
  void SendSerialLine();
  void ToggleDigitalOutput();
  void EndPeriod();

  std::filesystem::path directory_;
  std::shared_ptr<nuvix::ScriptedPrompts> prompts_;
  std::unique_ptr<CNuvixSdkDlg> dialog_;
  CVideoTab* video_ = nullptr;
  CAcaptTab* audio_ = nullptr;
  CSerialTab* serial_ = nullptr;
  CPinaxTab* pinax_ = nullptr;
  std::string problem_;
  uint64_t lines_ = 0;
  uint64_t serialSent_ = 0;
  uint64_t serialShownBefore_ = 0;  // bytes shown in boxes already cleared
  uint64_t digitalChecks_ = 0;
  uint64_t digitalMismatches_ = 0;
  int nextOutput_ = 0;
  size_t shownTab_ = 0;
};
