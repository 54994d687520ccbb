// The PINAX tab's part of the scripted tour: the master unit in 16 x 16
// mode with outputs 1, 3 and 5 on (the test plug brings them back on the
// inputs), "TOUR" on the second OSD line and camera 3 on multiplexer 1.
#include <QAbstractButton>
#include <QLineEdit>

#include "fixg_ctrl.h"
#include "pinax_tab.h"
#include "timing.h"
#include "tour.h"

namespace {

constexpr int kOutputRow = 2, kMux1Row = 3;

uint32_t Cell(int column, int row) { return (static_cast<uint32_t>(column) << 16) | static_cast<uint32_t>(row); }

}  // namespace

std::vector<TourStep> CPinaxTab::TourSteps() {
  std::vector<TourStep> steps;
  steps.push_back({"pinax-outputs", [this] {
                     ItemAs<QAbstractButton>(1505)->click();
                     for (int output : {1, 3, 5}) OnGridNotify(false, nuvix::kFixGLButtonDown, Cell(output, kOutputRow));
                     PumpWait(2 * kPollMs + 50);
                     for (int k : {0, 2, 4})
                       if (Input(false, k) != 1) TourFailed(QStringLiteral("master input %1 did not follow").arg(k + 1));
                   }});
  steps.push_back({"pinax-osd-camera3", [this] {
                     ItemAs<QLineEdit>(1815)->setText(QStringLiteral("12"));
                     ItemAs<QLineEdit>(1813)->setText(QStringLiteral("TOUR"));
                     OnOsdWrite(1);
                     OnGridNotify(true, nuvix::kFixGLButtonDown, Cell(3, kMux1Row));
                     if (Camera(0) != 2) TourFailed(QStringLiteral("multiplexer 1 did not take camera 3"));
                   }});
  steps.push_back({"pinax-watchdog-eeprom", [this] {
                     auto* enable = ItemAs<QAbstractButton>(1531);
                     enable->click();                             // armed
                     ItemAs<QAbstractButton>(1532)->click();      // re-armed
                     enable->click();                             // disarmed
                     ItemAs<QLineEdit>(1817)->setText(QStringLiteral("4E5556495853444B"));  // "NUVIXSDK"
                     ItemAs<QAbstractButton>(1818)->click();      // Main Block Check
                   }});
  return steps;
}
