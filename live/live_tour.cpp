// The live tab's part of the scripted tour: on a board with a live display,
// open the overlay, show all 16 cameras in the "Seq1" order with their
// on-screen labels for a second, photograph the tab and the overlay window,
// then stop and close. A capture-only board has nothing of this to show.
#include <QAbstractButton>

#include "fixg_ctrl.h"
#include "live_tab.h"
#include "overlay_view_wnd.h"
#include "scripted_prompts.h"
#include "timing.h"
#include "tour.h"

namespace {

constexpr uint32_t kSixteenCells = 8;

void Press(CLiveTab& tab, int id) {
  if (auto* button = tab.ItemAs<QAbstractButton>(id); button && button->isEnabled()) button->click();
}

}  // namespace

std::vector<TourStep> CLiveTab::TourSteps() {
  if (IsQca()) return {};
  std::vector<TourStep> steps;
  steps.push_back({"live-overlay-open", [this] {
                     Press(*this, 1204);
                     if (!overlay_.Get()) TourFailed(QStringLiteral("the overlay window did not open"));
                   }});
  steps.push_back({"live-running", [this] {
                     OnGridNotify(nuvix::LeftPress(kSixteenCells + 1, 1));
                     Press(*this, 2057);
                     Press(*this, 2005);
                     Press(*this, 1206);
                     PumpWait(1000);
                     if (!liveRunning_) TourFailed(QStringLiteral("live DMA did not start"));
                   }});
  steps.push_back({"live-settings", [this] {
                     // H filter RD, WR, V filter RD, WR; Progressive on and off.
                     for (int id : {2009, 2010, 2021, 2022, 2031, 2031}) Press(*this, id);
                     auto scripted = std::make_shared<nuvix::ScriptedPrompts>();
                     scripted->AnswerFont({.faceName = "DejaVu Sans"});
                     auto previous = nuvix::InstallPrompts(scripted);
                     Press(*this, 2003);  // Select Font
                     nuvix::InstallPrompts(previous);
                   }});
  steps.push_back({"live-overlay-view", [] {}, [this]() -> QWidget* { return overlay_.Get(); }});
  steps.push_back({"live-stopped", [this] {
                     Press(*this, 1207);
                     Press(*this, 1205);
                   }});
  return steps;
}
