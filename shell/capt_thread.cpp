#include "capt_thread.h"

#include <chrono>
#include <iterator>
#include <system_error>

#include "nuvix_sdk_dlg.h"
#include "nuvix_trace.h"
#include "nuvixi.h"

namespace {

// The call that breaks each kind's wait, and how the log names it. TimedTick
// has none: it sees the stop flag within one tick.
struct BreakingCall {
  uint32_t (*call)(uint32_t board, uint32_t channel);
  const char* name;
  bool namesChannel;
};
constexpr BreakingCall kBreakingCalls[] = {
    {[](uint32_t b, uint32_t c) { return NUVIXI_CancelLockWait4GetImageAddress(b, c); },
     "NUVIXI_CancelLockWait4GetImageAddress", true},
    {[](uint32_t b, uint32_t c) { return NUVIXI_CancelLockWait4GetSoundAddress(b, c); },
     "NUVIXI_CancelLockWait4GetSoundAddress", true},
    {[](uint32_t b, uint32_t) { return NUVIXI_APLAY_ESCAPE(b); }, "NUVIXI_APLAY_ESCAPE", false},
    {nullptr, "", false},
    {[](uint32_t b, uint32_t) { return NUVIXI_RUART_ESCAPE(b); }, "NUVIXI_RUART_ESCAPE", false},
};
static_assert(std::size(kBreakingCalls) == CCaptThread::SerialRead + 1, "one entry per kind, in order");

const BreakingCall& BreakingCallOf(int32_t kind) {
  static constexpr BreakingCall kNone = {nullptr, "", false};
  return kind >= 0 && kind < static_cast<int32_t>(std::size(kBreakingCalls)) ? kBreakingCalls[kind] : kNone;
}

}  // namespace

CCaptThread::~CCaptThread() { Stop(); }

void CCaptThread::Start() {
  if (thread_.joinable()) return;
  runStatus_ = kStarting;
  control_ = kIdle;
  try {
    thread_ = std::thread(&CCaptThread::Run, this);
  } catch (const std::system_error&) {
    return;  // no thread: nothing will ever report running
  }
  while (runStatus_.load() != kRunning && runStatus_.load() != kEnded) std::this_thread::yield();
}

void CCaptThread::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(wakeMutex_);
    control_ = kStopRequested;
  }
  wake_.notify_all();
  bool logged = false;
  do {
    const uint32_t code = Break();
    if (code != NUVIXI_SUCCESS && !logged) {
      LogBreakFailure(code);
      logged = true;
    }
  } while (!AwaitEnd());
  thread_.join();
}

bool CCaptThread::AwaitEnd() {
  std::unique_lock lock(wakeMutex_);
  return wake_.wait_for(lock, std::chrono::milliseconds(kBreakRepeatMs),
                        [this] { return runStatus_.load() == kEnded; });
}

uint32_t CCaptThread::Break() {
  const BreakingCall& breaking = BreakingCallOf(settings_.kind);
  return breaking.call ? breaking.call(static_cast<uint32_t>(settings_.board), static_cast<uint32_t>(settings_.channel))
                       : NUVIXI_SUCCESS;
}

void CCaptThread::LogBreakFailure(uint32_t code) const {
  const BreakingCall& breaking = BreakingCallOf(settings_.kind);
  const auto board = static_cast<uint32_t>(settings_.board);
  if (breaking.namesChannel)
    LogResult(settings_.log, code, 0, "%s(%X,%X)", breaking.name, board, static_cast<uint32_t>(settings_.channel));
  else
    LogResult(settings_.log, code, 0, "%s(%X)", breaking.name, board);
}

void CCaptThread::BackOff() {
  std::unique_lock lock(wakeMutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(kFailureBackOffMs),
                 [this] { return control_.load() == kStopRequested; });
}

uint32_t CCaptThread::Pass(uintptr_t& address, ReceiveRecord& record) {
  const auto board = static_cast<uint32_t>(settings_.board);
  const auto channel = static_cast<uint32_t>(settings_.channel);
  address = 0;
  switch (settings_.kind) {
    case ImageWait:
    case SoundWait: {
      void* buffer = nullptr;
      const uint32_t result = settings_.kind == ImageWait
                                  ? NUVIXI_LockWait4GetImageAddress(board, channel, &buffer, NUVIXI_INFINITE)
                                  : NUVIXI_LockWait4GetSoundAddress(board, channel, &buffer, NUVIXI_INFINITE);
      address = reinterpret_cast<uintptr_t>(buffer);
      return result;
    }
    case AudioPlay:
      return NUVIXI_APLAY_ON(board, static_cast<uint32_t>(settings_.playArg1), static_cast<uint32_t>(settings_.playArg2));
    case TimedTick:
      std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs));
      return NUVIXI_SUCCESS;
    case SerialRead: {
      uint32_t waiting = NUVIXI_RUART_QUERY_RXBUFSIZE(board);
      record.count = waiting == 0 ? 1 : waiting >= 16 ? 15 : waiting;
      address = reinterpret_cast<uintptr_t>(&record);
      return NUVIXI_RUART_READ(board, record.data, record.count, NUVIXI_INFINITE);
    }
    default:
      return NUVIXI_ERR_INVALID_ARGUMENT;
  }
}

void CCaptThread::Run() {
  NuvixTraceF("BEGIN CAPTURE THREAD %02d ====== \r\n", settings_.channel);
  runStatus_ = kRunning;
  ReceiveRecord record{};
  while (control_.load() != kStopRequested) {
    uintptr_t address = 0;
    const uint32_t result = Pass(address, record);
    if (result == NUVIXI_SUCCESS) {
      if (settings_.callback) settings_.callback(settings_.userData, settings_.channel, address);
    } else if (result != NUVIXI_TIMEOUT) {
      BackOff();
    }
  }
  NuvixTraceF("END CAPTURE THREAD %02d ====== \r\n", settings_.channel);
  {
    std::lock_guard lock(wakeMutex_);
    runStatus_ = kEnded;
    control_ = kIdle;
  }
  wake_.notify_all();
}
