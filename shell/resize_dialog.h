// A dialog that can be made smaller than its template and scrolls its content
// in steps of 8 pixels horizontally and 4 vertically.
#pragma once

#include <QScrollBar>

#include "win_dialog.h"

class CResizeDialog : public CWinDialog {
  Q_OBJECT
 public:
  // The scroll codes of the original scroll messages.
  enum ScrollCode { LineUp = 0, LineDown = 1, PageUp = 2, PageDown = 3, ThumbPosition = 4, ThumbTrack = 5,
                    Top = 6, Bottom = 7, EndScroll = 8 };

  CResizeDialog(QSize clientSize, QWidget* parent = nullptr);

  QWidget* ClientArea() override { return client_; }

  // Stores the sizes, sets the scroll ranges and allows resizing.
  void InitResize();

  // One scroll message; thumb is used by ThumbTrack.
  void OnScroll(Qt::Orientation orientation, int code, int thumb = 0);

  int ScrollPos(Qt::Orientation o) const { return o == Qt::Horizontal ? hPos_ : vPos_; }
  int ScrollMax(Qt::Orientation o) const { return o == Qt::Horizontal ? hMax_ : vMax_; }
  QScrollBar* ScrollBar(Qt::Orientation o) const { return o == Qt::Horizontal ? hBar_ : vBar_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayoutBars();
  void ScrollContent(int dx, int dy);
  void SetBarRange(QScrollBar* bar, int max, int pos);
  void OnBarAction(Qt::Orientation orientation, int action);

  QWidget* client_;
  QScrollBar* hBar_;
  QScrollBar* vBar_;
  bool active_ = false;
  bool settingBars_ = false;
  int hPos_ = 0, vPos_ = 0, hMax_ = 0, vMax_ = 0;
  QSize initialClient_;
  QSize initialWindow_;
};
