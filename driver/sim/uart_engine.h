// The remote serial port of one simulated board: the line settings, a
// transmit buffer drained at the line rate, and what the line is plugged
// into: a loopback plug (what is sent comes back) or, with
// NUVIXI_SIM_UART=pty, a pseudo-terminal that any terminal program can open.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "wait_queues.h"

namespace nuvixsim {

class UartEngine {
 public:
  static constexpr uint32_t kTxBufferBytes = 256;   // the board's transmit buffer
  static constexpr uint32_t kMaxWrite = 65536;      // longest write accepted
  static constexpr size_t kTxRecordBytes = 1 << 20;  // read-back keeps the newest bytes
  static constexpr uint32_t kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400};
  static constexpr uint32_t kParityNone = 1;  // parity indices: 0 space, 1 none, 2 even, 3 odd

  explicit UartEngine(std::shared_ptr<BoardQueues> queues);
  ~UartEngine();
  UartEngine(const UartEngine&) = delete;
  UartEngine& operator=(const UartEngine&) = delete;

  // The board was opened: the line runs (and the pty opens on first use).
  // False when a thread cannot be had.
  bool Open();
  // Stops the line, drops unsent bytes and frees a blocked write. Call
  // before the board's receive queue is closed.
  void Close();

  uint32_t Configure(uint32_t baudIndex, uint32_t parityIndex);
  uint32_t Write(const uint8_t* bytes, uint32_t length, uint32_t timeoutMs);

  // Control surface: moves up to size transmitted bytes, oldest first, into out.
  size_t TakeTransmitted(uint8_t* out, size_t size);
  // Control surface: the pseudo-terminal's path, empty with the loopback plug.
  std::string PortPath();

 private:
  using Clock = std::chrono::steady_clock;

  std::chrono::nanoseconds ByteTimeLocked() const;
  void Transmit();
  void ReceiveFromPty();
  // Puts bytes that left the transmitter onto the line; no lock held.
  void Deliver(const std::vector<uint8_t>& bytes);
  void OpenPty();

  std::shared_ptr<BoardQueues> queues_;

  // mutex_ guards everything below it; the threads wait on changed_ (new
  // bytes, new settings, stop) and writers on room_.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::condition_variable room_;
  bool running_ = false;
  uint32_t baudIndex_ = 3;  // 9600
  uint32_t parityIndex_ = kParityNone;
  std::deque<uint8_t> tx_;
  Clock::time_point lineStart_;  // the line's clock: bytes sent since then
  uint64_t sentSinceStart_ = 0;
  std::deque<uint8_t> transmitted_;
  std::thread transmitter_;
  std::thread receiver_;

  // The pseudo-terminal; opened once and kept for the engine's life, so a
  // terminal program stays connected while the board is closed and opened.
  int ptyMaster_ = -1;
  int ptySlave_ = -1;  // held open so the master never reads a hang-up
  std::string ptyPath_;
};

}  // namespace nuvixsim
