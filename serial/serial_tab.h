// The SERIAL tab: line settings, sending text through the board's remote
// serial port, and every received byte shown in hexadecimal.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capt_thread.h"
#include "tab_dialog.h"

class CSerialTab : public CTabDialog {
  Q_OBJECT
 public:
  static constexpr uint32_t kWriteTimeoutMs = 5000;
  static constexpr uint32_t kSlowWriteMarginMs = 1000;

  CSerialTab();
  ~CSerialTab() override;

  void OnConfigSet();
  // Sends the text on a thread of its own (a write may take its whole 5 s
  // time-out at a slow rate, and the window goes on meanwhile), logging it as
  // it ends; the Send button waits for it.
  void OnDataSend();
  void OnDataClear();
  bool Sending() const { return sending_.load(); }

  // Whether a write that began at startTick and returned at endTick (wrapping
  // millisecond ticks) took the time-out plus the margin or longer.
  static bool IsSlowWrite(uint32_t startTick, uint32_t endTick) {
    return endTick - startTick >= kWriteTimeoutMs + kSlowWriteMarginMs;
  }

  // The receive box's text for bytes that follow counter bytes already shown:
  // per byte a separator (a new line every 16, nine spaces between the second
  // and third group of four, three between the others) and " %02X".
  static QString FormatBytes(const uint8_t* bytes, uint32_t count, uint32_t counter);

  uint32_t ReceivedCount() const { return received_.load(); }
  QString ReceiveText() const;

  std::vector<TourStep> TourSteps() override;

 protected:
  void OnInitDialog() override;

 private:
  // The worker's callback: hands the chunk to the GUI thread, never waits on it.
  static void ReceiveCallback(void* tab, int32_t channel, uintptr_t address);
  // On the GUI thread: shows every byte handed over since the last call.
  // Invoked by name, so the queued call carries no data of its own: what it
  // shows is handed over under pendingMutex_ alone.
  Q_INVOKABLE void ShowPending();
  // The sender thread's write of sendText_, logged as the button logs it.
  void Write();
  // On the GUI thread, once the write has ended.
  void EndSend();

  uint32_t board_ = 0;
  int32_t baudIndex_ = 0;
  int32_t parityIndex_ = 0;
  std::string sendText_;
  // Bytes shown since the last Data Clear. Read and advanced only on the GUI
  // thread, where the chunks are shown; atomic so that tests and tools may
  // read it from anywhere.
  std::atomic<uint32_t> received_{0};
  // Bytes the worker has handed over and the GUI thread not yet shown; one
  // queued call shows all of them, however many chunks arrived meanwhile.
  std::mutex pendingMutex_;
  std::vector<uint8_t> pending_;
  bool showQueued_ = false;
  CCaptThread reader_;
  // sendText_ belongs to the sender thread while sending_ is set.
  std::atomic<bool> sending_{false};
  std::thread sender_;
};
