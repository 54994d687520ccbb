// The cell image strips of the grid control, looked up by bitmap identifier.
#pragma once

#include <QImage>
#include <vector>

namespace nuvix {

constexpr int kCellImageStrip = 195;  // the strip every settings grid uses
constexpr int kCellImageSize = 16;

// Cuts the strip with that identifier into 16x16 images whose mask-coloured
// pixels (red 0, green 128, blue 128) are transparent; empty when unknown.
std::vector<QImage> LoadCellImages(int stripId);

}  // namespace nuvix
