// FixGHolder: what a grid owner keeps — the property set and the control made from it.
#pragma once

#include <QPointer>
#include <QRect>

#include "fixg_ctrl.h"

class QWidget;

namespace nuvix {

// Every operation does nothing while the control does not exist.
class FixGHolder {
 public:
  FixGHolder() = default;
  ~FixGHolder();
  FixGHolder(const FixGHolder&) = delete;
  FixGHolder& operator=(const FixGHolder&) = delete;

  FixGProps props;

  // Creates the control as a visible child of parent at rect (parent coordinates).
  bool Create(QWidget* parent, const QRect& rect);
  // Creates it over a placeholder, taking the placeholder's geometry in its parent.
  bool CreateOver(QWidget* placeholder);
  void Destroy();

  void Apply();
  void SetColumnWidth(int column, int width);
  void SetRowHeight(int row, int height);
  void Layout();
  void SetCellStyle(int column, int row, int active, uint32_t flags);
  void DrawCellFace(int column, int row);
  void DrawCellRaised(int column, int row);
  void SetCellImage(int column, int row, int image);
  void SetCellNumber(int column, int row, double value, const QFont* font, uint32_t colour);
  void SetCellNumberFixed(int column, int row, double value, bool decimal, const QFont* font,
                          uint32_t colour);
  void SetCellText(int column, int row, const QString& text, const QFont* font, uint32_t colour);
  void Redraw(QPainter* target = nullptr);
  void RedrawCell(int column, int row);

  CFixGCtrl* Ctrl() const { return m_ctrl.data(); }

 private:
  QPointer<CFixGCtrl> m_ctrl;
};

}  // namespace nuvix
