// ScopePane: one oscilloscope control over a placeholder of an owner dialog,
// fed with sample blocks by a worker and stepped by the owner's timer.
#pragma once

#include <QPointer>
#include <QRect>
#include <cstdint>

#include "os_ctrl.h"
#include "scope_sampler.h"

class QWidget;

namespace nuvix {

class ScopePane {
 public:
  static constexpr int kFirstTimerIdentifier = 180;
  static constexpr int kTickMs = 100;
  static constexpr uint32_t kPaneTraceColor = 0xC0E0E0;

  ScopePane() = default;
  ~ScopePane();
  ScopePane(const ScopePane&) = delete;
  ScopePane& operator=(const ScopePane&) = delete;

  // Filled by the owner before Attach (the title in particular).
  OSCtrlProps props;

  // Creates the control over the placeholder (a child of owner) or at rect in
  // owner's coordinates, and takes the next process-wide timer identifier.
  bool Attach(QWidget* owner, const QWidget* placeholder);
  bool Attach(QWidget* owner, const QRect& rect);

  void StartTimer();
  void Stop(bool clear);
  // Worker thread: hands a block of 16-bit samples to the sampler.
  void Feed(const void* samples, uint32_t byteCount);
  // The owner passes every timer event here; other panes' timers are ignored.
  void OnOwnerTimer(int timerId);

  int TimerIdentifier() const { return m_timerIdentifier; }
  int TimerHandle() const { return m_timerHandle; }
  COSCtrl* Ctrl() const { return m_ctrl.data(); }
  ScopeSampler& Sampler() { return m_sampler; }

  // The identifier the next Attach in this process will take.
  static int PeekNextTimerIdentifier();

 private:
  ScopeSampler m_sampler;
  QPointer<QWidget> m_owner;
  QPointer<COSCtrl> m_ctrl;
  int m_timerHandle = 0;  // the owner's timer, 0 while none runs
  int m_timerIdentifier = 0;
};

}  // namespace nuvix
