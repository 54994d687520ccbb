// Control ids of the VIDEO tab, shared by the tab, its tour, its tests and the soak.
#pragma once

namespace video_ids {
constexpr int kStatistics = 1302, kGridArea = 1813, kFileSave = 1340, kWindows = 1343;
constexpr int kBandwidthValue = 1829, kBandwidthOn = 1346, kBandwidthOff = 1347;
}  // namespace video_ids
