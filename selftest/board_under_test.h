// One board during a self-test: its facts, the report its tests go to, and
// the logged board calls the tests make.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "board_tables.h"
#include "nuvixi.h"
#include "self_test_options.h"
#include "self_test_report.h"

class BoardUnderTest {
 public:
  using Clock = std::chrono::steady_clock;

  BoardUnderTest(uint32_t index, int32_t model, const SelfTestOptions& options, SelfTestReport& report)
      : index_(index), model_(model), options_(options), report_(report) {}

  uint32_t Index() const { return index_; }
  int32_t Model() const { return model_; }
  const SelfTestOptions& Options() const { return options_; }
  bool Quick() const { return options_.quick; }
  // What the board can do: its model's counts until its detail record tells
  // its own (capture channels at most 32).
  void SetCaps(const BoardCaps& caps, uint32_t audioChannels) {
    caps_ = caps;
    audioChannels_ = audioChannels;
  }
  const BoardCaps& Caps() const { return caps_; }
  uint32_t CaptureChannels() const { return caps_.CaptureChannels(); }
  uint32_t AudioChannels() const { return audioChannels_; }
  bool Ntsc() const { return options_.standard == NUVIXI_STANDARD_NTSC; }

  // Runs one test, times it and reports it under the current block, with
  // what it put into Measured() (whether it passed or not).
  void Run(const std::string& block, const std::string& name, const std::function<TestOutcome()>& test);
  Measurements& Measured() { return measured_; }
  void SetFacts(const BoardFacts& facts) { report_.SetBoardFacts(facts); }

  // Logs a board call in the log's own format; true when it succeeded, else
  // the call and the driver's error text become LastFailure(). Any thread.
  bool Call(uint32_t code, const char* format, ...) __attribute__((format(printf, 3, 4)));
  TestOutcome LastFailure() const;

  // Memory the board writes into (live surfaces): freed only after the board
  // is closed, when nothing can write into it any more.
  uint8_t* KeepUntilClosed(size_t bytes);

 private:
  uint32_t index_;
  int32_t model_;
  const SelfTestOptions& options_;
  SelfTestReport& report_;
  BoardCaps caps_;
  uint32_t audioChannels_ = 0;
  Measurements measured_;  // of the test running now
  mutable std::mutex failureMutex_;
  std::string lastFailure_;
  std::vector<std::unique_ptr<uint8_t[]>> kept_;
};
