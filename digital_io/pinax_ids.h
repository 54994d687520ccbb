// Control ids of the PINAX (digital I/O) tab, shared by the tab, its tour, its
// tests and the soak.
#pragma once

namespace pinax_ids {
// Four mode buttons each, from 4 x 2 to 16 x 16.
constexpr int kMasterGrid = 1501, kMasterMode0 = 1502, kSlaveMode0 = 1506, kSlaveGrid = 1510;
constexpr int kMaster16x16 = kMasterMode0 + 3;
constexpr int kWatchdogLabel = 1530, kWatchdogEnable = 1531, kWatchdogReset = 1532, kWatchdogTime = 1533;
constexpr int kKey = 1817, kMainBlockCheck = 1818, kResult = 1819, kResultLabel = 1821;

// The controls of each OSD line: text edit, write button, position edit, clear button.
struct OsdIds {
  int text, write, position, clear;
};
constexpr OsdIds kOsd[2] = {{1809, 1810, 1811, 1812}, {1813, 1814, 1815, 1816}};
}  // namespace pinax_ids
