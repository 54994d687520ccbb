// Control ids of the LIVE tab, shared by the tab, its tour, its tests and the soak.
#pragma once

namespace live_ids {
constexpr int kGrid = 1201, kUyvy = 1202, kYuy2 = 1203, kOpen = 1204, kClose = 1205, kStart = 1206, kStop = 1207;
// Four each, in the order of CLiveTab::Colour.
constexpr int kLabels = 1261, kSliders = 1268;
constexpr int kSelectFont = 2003, kDefaultStrings = 2004, kOsdEnable = 2005, kOsdDisable = 2006;
// Four filter buttons each, from kHFilters and kVFilters.
constexpr int kHRead = 2009, kHWrite = 2010, kTvOn = 2011, kTvOff = 2012, kHFilters = 2013, kVFilters = 2017,
              kVRead = 2021, kVWrite = 2022;
constexpr int kProgressive = 2031, kTvState = 2035, kScanState = 2037, kSequenceLabels = 2039;
// "Default", "Seq0", "Seq1".
constexpr int kPresets = 2055;
}  // namespace live_ids
