// The program's icon, drawn in code; the desktop's icon files are drawn from
// the same picture at build time.
#pragma once

#include <QIcon>

class QPainter;

// The icon on a painter whose drawing area is size x size.
void PaintAppIcon(QPainter& painter, int size);

QIcon AppIcon();
