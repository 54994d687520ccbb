// Control ids of the main dialog, the video tab and the serial tab, shared by
// the dialogs, the tours and the tests.
#pragma once

namespace main_ids {
constexpr int kIcon = 1100, kLog = 1101, kSearch = 1102, kFirstSelect = 1103, kDetail = 1107;
// Function-block options of the open.
constexpr int kVideoOption = 1110, kAudioOption = 1111, kAPlayOption = 1112, kSerialOption = 1113, kSquadOption = 1114;
constexpr int kOptions[] = {kVideoOption, kAudioOption, kAPlayOption, kSerialOption, kSquadOption};
constexpr int kNtscOpen = 1116, kClose = 1117, kPalOpen = 1118;
constexpr int kTabArea = 1823;
// Tab buttons in tab-index order: LIVE, VIDEO, AUDIO, SERIAL, SQUAD, PINAX, PLAY.
constexpr int kTabButtons[] = {1121, 1122, 1123, 1126, 1127, 1124, 1125};
}  // namespace main_ids

namespace serial_ids {
constexpr int kBaud = 1601, kParity = 1602, kSendText = 1603, kClear = 1604, kConfig = 1605, kReceive = 1606,
              kSend = 1607;
}  // namespace serial_ids

namespace video_ids {
constexpr int kStatistics = 1302, kGridArea = 1813, kFileSave = 1340, kWindows = 1343;
constexpr int kBandwidthValue = 1829, kBandwidthOn = 1346, kBandwidthOff = 1347;
}  // namespace video_ids
