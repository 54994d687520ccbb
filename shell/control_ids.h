// Control ids of the main dialog, shared by the dialog, the tour and the tests.
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
