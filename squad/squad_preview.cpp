#include "squad_preview.h"

#include <QPainter>

CSquadPreview::CSquadPreview(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CSquadPreview::SetPicture(QImage picture) {
  picture_ = std::move(picture);
  ++pictures_;
  update();
}

QRect CSquadPreview::PictureRect() const {
  if (picture_.isNull()) return {};
  const QSize size = picture_.size().scaled(this->size(), Qt::KeepAspectRatio);
  return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

void CSquadPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (picture_.isNull()) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(PictureRect(), picture_);
}
