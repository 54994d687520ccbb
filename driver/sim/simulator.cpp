#include "simulator.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace nuvixsim {
namespace {

// Keeps a runaway test from growing the journal without bound.
constexpr size_t kJournalMaxLines = 200000;

std::string StripPrefix(std::string function) {
  constexpr const char* kPrefix = "NUVIXI_";
  if (function.rfind(kPrefix, 0) == 0) function.erase(0, std::strlen(kPrefix));
  return function;
}

std::vector<BoardState> StatesOf(const std::vector<NUVIXI_SIM_BOARD>& configs) {
  std::vector<BoardState> states;
  for (const auto& config : configs) states.emplace_back(config);
  return states;
}

}  // namespace

Simulator& Simulator::Instance() {
  static Simulator simulator;
  return simulator;
}

Simulator::Simulator() : boards_(StatesOf(StartBoards())) {}

std::optional<uint32_t> Simulator::BeginCall(const char* function, std::initializer_list<CallArg> args) {
  std::lock_guard lock(mutex_);
  if (journalLines_ < kJournalMaxLines) {
    journal_ += function;
    journal_ += '(';
    bool first = true;
    for (const auto& arg : args) {
      char text[24];
      std::snprintf(text, sizeof text, "%s%" PRIX64, first ? "" : ",", arg.value);
      journal_ += text;
      first = false;
    }
    journal_ += ")\n";
    ++journalLines_;
  }
  return TakeFaultLocked(function);
}

std::optional<uint32_t> Simulator::TakeFault(const char* function) {
  std::lock_guard lock(mutex_);
  return TakeFaultLocked(function);
}

std::optional<uint32_t> Simulator::TakeFaultLocked(const char* function) {
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->first == function) {
      uint32_t code = it->second;
      faults_.erase(it);
      return code;
    }
  }
  return std::nullopt;
}

uint32_t Simulator::OpenCodeLocked(uint32_t board, uint32_t needBlocks) const {
  if (board >= boards_.size()) return NUVIXI_ERR_BOARD_NOT_FOUND;
  const BoardState& state = boards_[board];
  if (!state.open) return NUVIXI_ERR_NOT_OPEN;
  if ((state.flags & needBlocks) != needBlocks) return NUVIXI_ERR_FUNCTION_BLOCK;
  return NUVIXI_SUCCESS;
}

uint32_t Simulator::CheckOpen(uint32_t board, uint32_t needBlocks) {
  std::lock_guard lock(mutex_);
  return OpenCodeLocked(board, needBlocks);
}

uint32_t Simulator::CloseBoard(uint32_t board) {
  std::optional<BoardState> closing;  // a copy shares the board's engines
  {
    std::lock_guard lock(mutex_);
    const uint32_t code = OpenCodeLocked(board, 0);
    if (code != NUVIXI_SUCCESS) return code;
    BoardState& state = boards_[board];
    state.open = false;
    state.flags = 0;
    state.closing = true;
    ++closesInFlight_;
    closing.emplace(state);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(closing->closeDelayMs));
  closing->Shut();
  {
    // The boards are not replaced while a close is in flight.
    std::lock_guard lock(mutex_);
    boards_[board].closing = false;
    --closesInFlight_;
  }
  settled_.notify_all();
  return NUVIXI_SUCCESS;
}

void Simulator::WaitForClosesLocked(std::unique_lock<std::mutex>& lock) {
  settled_.wait(lock, [this] { return closesInFlight_ == 0; });
}

void Simulator::SetBoards(std::vector<BoardState> boards) {
  std::unique_lock lock(mutex_);
  WaitForClosesLocked(lock);
  for (auto& old : boards_) old.Shut();
  boards_ = std::move(boards);
}

void Simulator::Reset() {
  auto boards = StatesOf(StartBoards());
  std::unique_lock lock(mutex_);
  WaitForClosesLocked(lock);
  SetStrictMode(StrictModeWanted());
  for (auto& old : boards_) old.Shut();
  boards_ = std::move(boards);
  faults_.clear();
  journal_.clear();
  journalLines_ = 0;
}

void Simulator::FailNext(std::string function, uint32_t code) {
  std::lock_guard lock(mutex_);
  faults_.emplace_back(StripPrefix(std::move(function)), code);
}

std::string Simulator::Journal() {
  std::lock_guard lock(mutex_);
  return journal_;
}

void Simulator::ClearJournal() {
  std::lock_guard lock(mutex_);
  journal_.clear();
  journalLines_ = 0;
}

}  // namespace nuvixsim
