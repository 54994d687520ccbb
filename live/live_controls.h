// The LIVE tab's dialog template: its controls in dialog units.
#pragma once

#include "dialog_template.h"
#include "live_ids.h"

namespace live_controls {

using nuvix::win::ControlKind;
using nuvix::win::ControlSpec;

inline constexpr ControlSpec kTemplate[] = {
    {live_ids::kGrid, ControlKind::Frame, "", 2, 2, 331, 86},
    {0, ControlKind::GroupBox, "Overlay", 2, 90, 118, 80},
    {live_ids::kUyvy, ControlKind::PushLikeRadio, "UYVY", 6, 100, 54, 13, nuvix::win::kGroupStart},
    {live_ids::kYuy2, ControlKind::PushLikeRadio, "YUY2", 62, 100, 54, 13},
    {live_ids::kOpen, ControlKind::PushLikeRadio, "Overlay Window Open", 6, 116, 110, 13, nuvix::win::kGroupStart},
    {live_ids::kClose, ControlKind::PushLikeRadio, "Window Close", 6, 131, 110, 13},
    {live_ids::kStart, ControlKind::PushLikeRadio, "LiveDMA Start", 6, 151, 54, 13, nuvix::win::kGroupStart},
    {live_ids::kStop, ControlKind::PushLikeRadio, "LiveDMA Stop", 62, 151, 54, 13},
    {0, ControlKind::Static, "<  TV-OUT  >", 6, 172, 60, 10},
    {live_ids::kTvOn, ControlKind::PushButton, "ON", 6, 181, 28, 13},
    {live_ids::kTvOff, ControlKind::PushButton, "OFF", 36, 181, 28, 13},
    {live_ids::kTvState, ControlKind::Static, "", 68, 183, 40, 10},
    {live_ids::kLabels + 0, ControlKind::Static, "", 126, 96, 62, 10},
    {live_ids::kLabels + 1, ControlKind::Static, "", 126, 112, 62, 10},
    {live_ids::kLabels + 2, ControlKind::Static, "", 126, 128, 62, 10},
    {live_ids::kLabels + 3, ControlKind::Static, "", 126, 144, 62, 10},
    {live_ids::kSliders + 0, ControlKind::Trackbar, "", 190, 94, 100, 14},
    {live_ids::kSliders + 1, ControlKind::Trackbar, "", 190, 110, 100, 14},
    {live_ids::kSliders + 2, ControlKind::Trackbar, "", 190, 126, 100, 14},
    {live_ids::kSliders + 3, ControlKind::Trackbar, "", 190, 142, 100, 14},
    {0, ControlKind::Static, "H Filter", 126, 163, 34, 10},
    {live_ids::kHFilters + 0, ControlKind::PushLikeRadio, "0", 162, 161, 16, 13, nuvix::win::kGroupStart},
    {live_ids::kHFilters + 1, ControlKind::PushLikeRadio, "1", 180, 161, 16, 13},
    {live_ids::kHFilters + 2, ControlKind::PushLikeRadio, "2", 198, 161, 16, 13},
    {live_ids::kHFilters + 3, ControlKind::PushLikeRadio, "3", 216, 161, 16, 13},
    {live_ids::kHRead, ControlKind::PushButton, "RD", 238, 161, 24, 13},
    {live_ids::kHWrite, ControlKind::PushButton, "WR", 264, 161, 24, 13},
    {0, ControlKind::Static, "V Filter", 126, 179, 34, 10},
    {live_ids::kVFilters + 0, ControlKind::PushLikeRadio, "0", 162, 177, 16, 13, nuvix::win::kGroupStart},
    {live_ids::kVFilters + 1, ControlKind::PushLikeRadio, "1", 180, 177, 16, 13},
    {live_ids::kVFilters + 2, ControlKind::PushLikeRadio, "2", 198, 177, 16, 13},
    {live_ids::kVFilters + 3, ControlKind::PushLikeRadio, "3", 216, 177, 16, 13},
    {live_ids::kVRead, ControlKind::PushButton, "RD", 238, 177, 24, 13},
    {live_ids::kVWrite, ControlKind::PushButton, "WR", 264, 177, 24, 13},
    {live_ids::kProgressive, ControlKind::CheckBox, "Progressive", 126, 195, 60, 12},
    {live_ids::kScanState, ControlKind::Static, "", 190, 197, 60, 10},
    {live_ids::kPresets + 0, ControlKind::PushButton, "Default", 6, 197, 32, 13, nuvix::win::kDisabled},
    {live_ids::kPresets + 1, ControlKind::PushButton, "Seq0", 40, 197, 32, 13, nuvix::win::kDisabled},
    {live_ids::kPresets + 2, ControlKind::PushButton, "Seq1", 74, 197, 32, 13, nuvix::win::kDisabled},
    {live_ids::kSequenceLabels + 0, ControlKind::Static, "", 6, 213, 18, 10},
    {live_ids::kSequenceLabels + 1, ControlKind::Static, "", 26, 213, 18, 10},
    {live_ids::kSequenceLabels + 2, ControlKind::Static, "", 46, 213, 18, 10},
    {live_ids::kSequenceLabels + 3, ControlKind::Static, "", 66, 213, 18, 10},
    {live_ids::kSequenceLabels + 4, ControlKind::Static, "", 86, 213, 18, 10},
    {live_ids::kSequenceLabels + 5, ControlKind::Static, "", 106, 213, 18, 10},
    {live_ids::kSequenceLabels + 6, ControlKind::Static, "", 126, 213, 18, 10},
    {live_ids::kSequenceLabels + 7, ControlKind::Static, "", 146, 213, 18, 10},
    {live_ids::kSequenceLabels + 8, ControlKind::Static, "", 166, 213, 18, 10},
    {live_ids::kSequenceLabels + 9, ControlKind::Static, "", 186, 213, 18, 10},
    {live_ids::kSequenceLabels + 10, ControlKind::Static, "", 206, 213, 18, 10},
    {live_ids::kSequenceLabels + 11, ControlKind::Static, "", 226, 213, 18, 10},
    {live_ids::kSequenceLabels + 12, ControlKind::Static, "", 246, 213, 18, 10},
    {live_ids::kSequenceLabels + 13, ControlKind::Static, "", 266, 213, 18, 10},
    {live_ids::kSequenceLabels + 14, ControlKind::Static, "", 286, 213, 18, 10},
    {live_ids::kSequenceLabels + 15, ControlKind::Static, "", 306, 213, 18, 10},
    {live_ids::kSelectFont, ControlKind::PushButton, "Select Font", 6, 227, 50, 13},
    {live_ids::kDefaultStrings, ControlKind::PushButton, "Set String(Default) : CH 0~16", 58, 227, 120, 13},
    {live_ids::kOsdEnable, ControlKind::PushButton, "OSD Enable", 190, 227, 50, 13},
    {live_ids::kOsdDisable, ControlKind::PushButton, "OSD Disable", 242, 227, 50, 13},
};

// Where a QCA board's user learns how to get live video.
inline constexpr ControlSpec kQcaHint = {0, ControlKind::Static,
                                         "No live display on a QCA board (capture only).\n"
                                         "Live video: start with NUVIXI_SIM_BOARDS=QLA16",
                                         126, 208, 207, 18};

}  // namespace live_controls
