// The PINAX tab's part of the scripted tour: the master unit in 16 x 16
// mode with outputs 1, 3 and 5 on (the test plug brings them back on the
// inputs), "TOUR" on the second OSD line and camera 3 on multiplexer 1.
#include <QAbstractButton>
#include <QLineEdit>

#include "fixg_ctrl.h"
#include "pinax_ids.h"
#include "pinax_tab.h"
#include "timing.h"
#include "tour.h"

namespace {

constexpr int kOutputRow = 2, kMux1Row = 3;


}  // namespace

std::vector<TourStep> CPinaxTab::TourSteps() {
  std::vector<TourStep> steps;
  steps.push_back({"pinax-outputs", [this] {
                     ItemAs<QAbstractButton>(pinax_ids::kMaster16x16)->click();
                     for (int output : {1, 3, 5}) OnGridNotify(false, nuvix::LeftPress(output, kOutputRow));
                     PumpWait(2 * kPollMs + 50);
                     for (int k : {0, 2, 4})
                       if (Input(false, k) != 1) TourFailed(QStringLiteral("master input %1 did not follow").arg(k + 1));
                   }});
  steps.push_back({"pinax-osd-camera3", [this] {
                     ItemAs<QLineEdit>(pinax_ids::kOsd[1].position)->setText(QStringLiteral("12"));
                     ItemAs<QLineEdit>(pinax_ids::kOsd[1].text)->setText(QStringLiteral("TOUR"));
                     OnOsdWrite(1);
                     OnGridNotify(true, nuvix::LeftPress(3, kMux1Row));
                     if (Camera(0) != 2) TourFailed(QStringLiteral("multiplexer 1 did not take camera 3"));
                   }});
  steps.push_back({"pinax-watchdog-eeprom", [this] {
                     auto* enable = ItemAs<QAbstractButton>(pinax_ids::kWatchdogEnable);
                     enable->click();                             // armed
                     ItemAs<QAbstractButton>(pinax_ids::kWatchdogReset)->click();      // re-armed
                     enable->click();                             // disarmed
                     ItemAs<QLineEdit>(pinax_ids::kKey)->setText(QStringLiteral("4E5556495853444B"));  // "NUVIXSDK"
                     ItemAs<QAbstractButton>(pinax_ids::kMainBlockCheck)->click();      // Main Block Check
                   }});
  return steps;
}
