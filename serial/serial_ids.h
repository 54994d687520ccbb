// Control ids of the SERIAL tab, shared by the tab, its tests and the soak.
#pragma once

namespace serial_ids {
constexpr int kBaud = 1601, kParity = 1602, kSendText = 1603, kClear = 1604, kConfig = 1605, kReceive = 1606,
              kSend = 1607;
}  // namespace serial_ids
