// Fonts described the way the controls' property sets describe them.
#pragma once

#include <QFont>
#include <QString>

namespace nuvix {

// A positive height is the full character cell (ascent + descent) in pixels, a
// negative one the character height without internal leading; width 0 keeps
// the face's own proportions; weight runs 100..900 (400 normal, 700 bold).
QFont MakeGdiFont(const QString& face, int height, int width, int weight, bool italic,
                  bool underline);

}  // namespace nuvix
