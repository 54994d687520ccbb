// Control ids of the PLAY tab, shared by the tab, its tests and the soak.
#pragma once

namespace play_ids {
constexpr int kScopeArea = 1701, kInfo = 1702, kProgress = 1703, kLoad = 1704, kClose = 1705;
constexpr int kPosition = 1706, kSave = 1707, kPrevious = 1708, kBackward = 1709, kForward = 1710;
constexpr int kNext = 1711, kVolume = 1712, kStop = 1713, kMonitorChannel = 1714;
constexpr int kVolumeLabel = 1808, kMonitorEnable = 1825, kMonitorLabel = 1827;
}  // namespace play_ids
