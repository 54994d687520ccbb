#include "scope_pane.h"

#include <QWidget>
#include <atomic>

namespace nuvix {

namespace {
// Counted for the whole process and never reset, so panes of a board opened
// again still get identifiers no earlier pane had.
std::atomic<int> g_nextTimerIdentifier{ScopePane::kFirstTimerIdentifier};
}  // namespace

int ScopePane::PeekNextTimerIdentifier() { return g_nextTimerIdentifier.load(); }

ScopePane::~ScopePane() {
  if (m_timerHandle != 0 && m_owner) m_owner->killTimer(m_timerHandle);
  delete m_ctrl.data();
}

bool ScopePane::Attach(QWidget* owner, const QWidget* placeholder) {
  if (!owner || !placeholder) return false;
  const QRect rect(placeholder->mapTo(owner, QPoint(0, 0)), placeholder->size());
  return Attach(owner, rect);
}

bool ScopePane::Attach(QWidget* owner, const QRect& rect) {
  if (!owner) return false;
  m_sampler.Init(5.0, 0.0, 5);
  m_owner = owner;
  props.traceColor = kPaneTraceColor;
  delete m_ctrl.data();
  m_ctrl = new COSCtrl(props);
  const bool made = m_ctrl->Create(rect, owner, 0);
  m_ctrl->raise();
  m_timerIdentifier = g_nextTimerIdentifier.fetch_add(1);
  return made;
}

void ScopePane::StartTimer() {
  if (!m_owner) return;
  // A second start replaces the running timer rather than adding another.
  if (m_timerHandle != 0) m_owner->killTimer(m_timerHandle);
  m_timerHandle = m_owner->startTimer(kTickMs, Qt::PreciseTimer);
}

void ScopePane::Stop(bool clear) {
  if (m_timerHandle != 0) {
    if (m_owner) m_owner->killTimer(m_timerHandle);
    m_timerHandle = 0;
  }
  if (clear && m_ctrl) {
    m_ctrl->Clear();
    m_ctrl->Redraw();
  }
}

void ScopePane::Feed(const void* samples, uint32_t byteCount) { m_sampler.Fill(samples, byteCount); }

void ScopePane::OnOwnerTimer(int timerId) {
  if (m_timerHandle == 0 || timerId != m_timerHandle) return;
  if (!m_sampler.HasData() || !m_ctrl) return;
  m_ctrl->AddPoint(m_sampler.Next());
  m_ctrl->Redraw();
}

}  // namespace nuvix
