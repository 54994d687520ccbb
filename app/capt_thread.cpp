#include "capt_thread.h"

#include <chrono>
#include <system_error>

#include "nuvix_trace.h"
#include "nuvixi.h"

CCaptThread::~CCaptThread() { Stop(); }

void CCaptThread::Setup(int32_t kind, void* userData, CaptCallback callback, int32_t board, int32_t channel,
                        int32_t extra, int32_t playArg1, int32_t playArg2) {
  kind_ = kind;
  userData_ = userData;
  callback_ = callback;
  board_ = board;
  channel_ = channel;
  extra_ = extra;
  playArg1_ = playArg1;
  playArg2_ = playArg2;
}

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
  control_ = kStopRequested;
  Break();
  thread_.join();
}

void CCaptThread::Break() {
  const auto board = static_cast<uint32_t>(board_);
  const auto channel = static_cast<uint32_t>(channel_);
  switch (kind_) {
    case ImageWait: NUVIXI_CancelLockWait4GetImageAddress(board, channel); break;
    case SoundWait: NUVIXI_CancelLockWait4GetSoundAddress(board, channel); break;
    case AudioPlay: NUVIXI_APLAY_ESCAPE(board); break;
    case SerialRead: NUVIXI_RUART_ESCAPE(board); break;
    default: break;  // TimedTick sees the flag within one tick
  }
}

uint32_t CCaptThread::Pass(uintptr_t& address, ReceiveRecord& record) {
  const auto board = static_cast<uint32_t>(board_);
  const auto channel = static_cast<uint32_t>(channel_);
  address = 0;
  switch (kind_) {
    case ImageWait:
    case SoundWait: {
      void* buffer = nullptr;
      const uint32_t result = kind_ == ImageWait
                                  ? NUVIXI_LockWait4GetImageAddress(board, channel, &buffer, NUVIXI_INFINITE)
                                  : NUVIXI_LockWait4GetSoundAddress(board, channel, &buffer, NUVIXI_INFINITE);
      address = reinterpret_cast<uintptr_t>(buffer);
      return result;
    }
    case AudioPlay:
      return NUVIXI_APLAY_ON(board, static_cast<uint32_t>(playArg1_), static_cast<uint32_t>(playArg2_));
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
  NuvixTraceF("BEGIN CAPTURE THREAD %02d ====== \r\n", channel_);
  runStatus_ = kRunning;
  ReceiveRecord record{};
  while (control_.load() != kStopRequested) {
    uintptr_t address = 0;
    if (Pass(address, record) == NUVIXI_SUCCESS && callback_) callback_(userData_, channel_, address);
  }
  NuvixTraceF("END CAPTURE THREAD %02d ====== \r\n", channel_);
  runStatus_ = kEnded;
  control_ = kIdle;
}
