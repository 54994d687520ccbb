// The SQUAD tab's view of the screen division it drives: the last picture
// composed from the renderer's surfaces, scaled to fit, for a technician who
// cannot see the monitor at the board's TV output.
#pragma once

#include <QImage>
#include <QWidget>

class CSquadPreview : public QWidget {
  Q_OBJECT
 public:
  explicit CSquadPreview(QWidget* parent);

  void SetPicture(QImage picture);
  const QImage& Picture() const { return picture_; }
  // The pictures shown since the view was made.
  int Pictures() const { return pictures_; }
  // Where the picture lies in the view: as large as fits, centred.
  QRect PictureRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
  int pictures_ = 0;
};
