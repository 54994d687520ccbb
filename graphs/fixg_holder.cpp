#include "fixg_holder.h"

#include <QWidget>

namespace nuvix {

FixGHolder::~FixGHolder() { Destroy(); }

bool FixGHolder::Create(QWidget* parent, const QRect& rect) {
  Destroy();
  m_ctrl = new CFixGCtrl(parent);
  m_ctrl->setGeometry(rect);
  m_ctrl->show();
  return true;
}

bool FixGHolder::CreateOver(QWidget* placeholder) {
  if (!placeholder || !placeholder->parentWidget()) return false;
  const bool made = Create(placeholder->parentWidget(), placeholder->geometry());
  m_ctrl->raise();
  return made;
}

void FixGHolder::Destroy() {
  // The parent may already have deleted the control; QPointer knows.
  delete m_ctrl.data();
  m_ctrl = nullptr;
}

void FixGHolder::Apply() {
  if (m_ctrl) m_ctrl->Apply(props);
}
void FixGHolder::SetColumnWidth(int column, int width) {
  if (m_ctrl) m_ctrl->SetColumnWidth(column, width);
}
void FixGHolder::SetRowHeight(int row, int height) {
  if (m_ctrl) m_ctrl->SetRowHeight(row, height);
}
void FixGHolder::Layout() {
  if (m_ctrl) m_ctrl->Layout();
}
void FixGHolder::SetCellStyle(int column, int row, int active, uint32_t flags) {
  if (m_ctrl) m_ctrl->SetCellStyle(column, row, active, flags);
}
void FixGHolder::DrawCellFace(int column, int row) {
  if (m_ctrl) m_ctrl->DrawCellFace(column, row);
}
void FixGHolder::DrawCellRaised(int column, int row) {
  if (m_ctrl) m_ctrl->DrawCellRaised(column, row);
}
void FixGHolder::SetCellImage(int column, int row, int image) {
  if (m_ctrl) m_ctrl->SetCellImage(column, row, image);
}
void FixGHolder::SetCellNumber(int column, int row, double value, const QFont* font,
                               uint32_t colour) {
  if (m_ctrl) m_ctrl->SetCellNumber(column, row, value, font, colour);
}
void FixGHolder::SetCellNumberFixed(int column, int row, double value, bool decimal,
                                    const QFont* font, uint32_t colour) {
  if (m_ctrl) m_ctrl->SetCellNumberFixed(column, row, value, decimal, font, colour);
}
void FixGHolder::SetCellText(int column, int row, const QString& text, const QFont* font,
                             uint32_t colour) {
  if (m_ctrl) m_ctrl->SetCellText(column, row, text, font, colour);
}
void FixGHolder::Redraw(QPainter* target) {
  if (m_ctrl) m_ctrl->Redraw(target);
}
void FixGHolder::RedrawCell(int column, int row) {
  if (m_ctrl) m_ctrl->RedrawCell(column, row);
}

}  // namespace nuvix
