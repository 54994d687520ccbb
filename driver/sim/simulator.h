// State of the simulated boards shared by every driver entry point.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "audio_engine.h"
#include "audio_play_engine.h"
#include "capture_engine.h"
#include "colour_controls.h"
#include "live_engine.h"
#include "nuvixi.h"
#include "nuvixi_sim.h"
#include "pinax_engine.h"
#include "tvout_engine.h"
#include "uart_engine.h"
#include "wait_queues.h"
#include "watchdog_engine.h"

namespace nuvixsim {

struct BoardState {
  explicit BoardState(const NUVIXI_SIM_BOARD& board)
      : config(board),
        capture(std::make_shared<CaptureEngine>(board, queues, colours)),
        live(std::make_shared<LiveEngine>(board, colours)),
        audio(std::make_shared<AudioEngine>(board, queues)),
        uart(std::make_shared<UartEngine>(queues)),
        pinax(std::make_shared<PinaxEngine>(board)),
        tvout(std::make_shared<TvOutEngine>(board, pinax)) {}

  NUVIXI_SIM_BOARD config{};
  bool open = false;
  bool closing = false;  // closed, its threads still being stopped
  uint32_t flags = 0;
  uint32_t standard = 0;
  uint32_t closeDelayMs = 0;  // control surface: a close spends this long more stopping the board
  std::shared_ptr<BoardQueues> queues = std::make_shared<BoardQueues>();
  std::shared_ptr<ColourControls> colours = std::make_shared<ColourControls>();
  std::shared_ptr<CaptureEngine> capture;
  std::shared_ptr<LiveEngine> live;
  std::shared_ptr<AudioEngine> audio;
  std::shared_ptr<AudioPlayEngine> aplay = std::make_shared<AudioPlayEngine>();
  std::shared_ptr<UartEngine> uart;
  std::shared_ptr<PinaxEngine> pinax;
  std::shared_ptr<TvOutEngine> tvout;
  std::shared_ptr<WatchdogEngine> watchdog = std::make_shared<WatchdogEngine>();

  // Stops the board's capture, line and watchdog and breaks every wait on it.
  void Shut() {
    live->Close();
    capture->Close();
    audio->Close();
    aplay->Close();
    tvout->Close();
    uart->Close();
    watchdog->Close();
    colours->Reset();
    queues->CloseAll();
  }
};

// One argument of a journaled call: a number or an address.
struct CallArg {
  uint64_t value;
  CallArg(uint32_t v) : value(v) {}
  CallArg(int32_t v) : value(static_cast<uint32_t>(v)) {}
  CallArg(const void* p) : value(reinterpret_cast<uintptr_t>(p)) {}
};

class Simulator {
 public:
  static Simulator& Instance();

  // Journals the call and returns the fault queued for it, if any.
  std::optional<uint32_t> BeginCall(const char* function, std::initializer_list<CallArg> args);
  // The fault queued for a call that is not journaled (the blocking waits).
  std::optional<uint32_t> TakeFault(const char* function);

  // NUVIXI_SUCCESS when board names a configured board, else the error code.
  // NUVIXI_SUCCESS when board is configured and open with every block of needBlocks.
  uint32_t CheckOpen(uint32_t board, uint32_t needBlocks = 0);

  // The engine `member` of an open board that has every block of needBlocks
  // (for example OpenEngine<&BoardState::capture>); null with the error in
  // code otherwise.
  template <auto Member>
  auto OpenEngine(uint32_t board, uint32_t needBlocks, uint32_t& code) {
    std::lock_guard lock(mutex_);
    code = OpenCodeLocked(board, needBlocks);
    return code == NUVIXI_SUCCESS ? boards_[board].*Member : nullptr;
  }
  // The engine `member` of a configured board, open or not; null for a bad index.
  template <auto Member>
  auto Engine(uint32_t board) {
    std::lock_guard lock(mutex_);
    return board < boards_.size() ? boards_[board].*Member : nullptr;
  }

  // Runs fn(board state) under the simulator's lock.
  template <typename Fn>
  auto WithBoards(Fn fn) {
    std::lock_guard lock(mutex_);
    return fn(boards_);
  }
  // Runs fn(board state) under the simulator's lock once no close of board
  // is still stopping its threads.
  template <typename Fn>
  auto WithBoardSettled(uint32_t board, Fn fn) {
    std::unique_lock lock(mutex_);
    settled_.wait(lock, [&] { return board >= boards_.size() || !boards_[board].closing; });
    return fn(boards_);
  }

  // Marks the board closed under the lock, so calls that come meanwhile find
  // it closed, then stops its threads outside the lock, so calls to other
  // boards go on meanwhile.
  uint32_t CloseBoard(uint32_t board);
  void SetBoards(std::vector<BoardState> boards);
  void Reset();
  void FailNext(std::string function, uint32_t code);
  std::string Journal();
  void ClearJournal();

 private:
  // The open check of CheckOpen; the caller holds mutex_.
  uint32_t OpenCodeLocked(uint32_t board, uint32_t needBlocks) const;
  std::optional<uint32_t> TakeFaultLocked(const char* function);
  Simulator();

  // Under mutex_, until the closes in flight are done.
  void WaitForClosesLocked(std::unique_lock<std::mutex>& lock);

  std::mutex mutex_;
  std::condition_variable settled_;  // a close has stopped its board's threads
  uint32_t closesInFlight_ = 0;
  std::vector<BoardState> boards_;
  std::deque<std::pair<std::string, uint32_t>> faults_;
  std::string journal_;
  size_t journalLines_ = 0;
};

// Parses a board list ("QCA08:id=32,QLA16"); nothing when it cannot be parsed.
std::optional<std::vector<NUVIXI_SIM_BOARD>> ParseBoardList(const std::string& text);

// The boards used when nothing is configured: NUVIXI_SIM_BOARDS or one QCA08.
std::vector<NUVIXI_SIM_BOARD> StartBoards();

// The entry of a driver function served by one engine: journals the call,
// returns an injected fault, checks that the board is open with needBlocks,
// then runs work(engine).
template <auto Member, typename Work>
NUVIXI_RESULT OnEngine(const char* function, uint32_t board, uint32_t needBlocks,
                       std::initializer_list<CallArg> args, Work work) {
  auto& sim = Simulator::Instance();
  if (auto fault = sim.BeginCall(function, args)) return *fault;
  uint32_t code;
  auto engine = sim.OpenEngine<Member>(board, needBlocks, code);
  return engine ? work(*engine) : code;
}

// The control surface's read-outs of one engine of a board: 0, or -1 when the
// board has no such engine (or the engine no such channel, or no clock running).
template <auto Member>
int ReadClockCpuTime(uint32_t board, uint64_t* nanoseconds) {
  auto engine = Simulator::Instance().Engine<Member>(board);
  uint64_t used = 0;
  if (!engine || !engine->ClockCpuTime(used)) return -1;
  if (nanoseconds) *nanoseconds = used;
  return 0;
}

template <auto Member>
int ReadCounters(uint32_t board, uint32_t channel, uint64_t* delivered, uint64_t* dropped) {
  auto engine = Simulator::Instance().Engine<Member>(board);
  uint64_t count = 0, lost = 0;
  if (!engine || !engine->Counters(channel, count, lost)) return -1;
  if (delivered) *delivered = count;
  if (dropped) *dropped = lost;
  return 0;
}

}  // namespace nuvixsim
