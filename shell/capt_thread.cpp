#include "capt_thread.h"

#include <chrono>
#include <system_error>

#include "nuvix_sdk_dlg.h"
#include "nuvix_trace.h"
#include "nuvixi.h"

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
  const auto board = static_cast<uint32_t>(settings_.board);
  const auto channel = static_cast<uint32_t>(settings_.channel);
  switch (settings_.kind) {
    case ImageWait: return NUVIXI_CancelLockWait4GetImageAddress(board, channel);
    case SoundWait: return NUVIXI_CancelLockWait4GetSoundAddress(board, channel);
    case AudioPlay: return NUVIXI_APLAY_ESCAPE(board);
    case SerialRead: return NUVIXI_RUART_ESCAPE(board);
    default: return NUVIXI_SUCCESS;  // TimedTick sees the flag within one tick
  }
}

void CCaptThread::LogBreakFailure(uint32_t code) const {
  const auto board = static_cast<uint32_t>(settings_.board);
  const auto channel = static_cast<uint32_t>(settings_.channel);
  switch (settings_.kind) {
    case ImageWait: return LogResult(settings_.log, code, 0, "NUVIXI_CancelLockWait4GetImageAddress(%X,%X)", board, channel);
    case SoundWait: return LogResult(settings_.log, code, 0, "NUVIXI_CancelLockWait4GetSoundAddress(%X,%X)", board, channel);
    case AudioPlay: return LogResult(settings_.log, code, 0, "NUVIXI_APLAY_ESCAPE(%X)", board);
    default: return LogResult(settings_.log, code, 0, "NUVIXI_RUART_ESCAPE(%X)", board);
  }
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
