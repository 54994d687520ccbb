// The SQUAD tab's part of the scripted tour: sixteen cameras on the board's
// TV output, then the thirty-cell layout with its empty cells.
#include <QAbstractButton>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <vector>

#include "channel_capture.h"
#include "division_picture.h"
#include "nuvix_sdk_dlg.h"
#include "squad_tab.h"
#include "timing.h"
#include "tour.h"

namespace {

constexpr int kTourCameras = 16;
constexpr int k16Cells = 12, k30Cells = 14;

IChannelCapture* CaptureTab(CNuvixSdkDlg* owner) {
  return owner ? dynamic_cast<IChannelCapture*>(owner->Tab(CNuvixSdkDlg::kVideo)) : nullptr;
}

}  // namespace

// The board shows the merged surface it handed out: two fields, even lines first.
QLabel* CSquadTab::TvOutPicture() {
  if (!merged_) {
    TourFailed(QStringLiteral("the board refused screen division"));
    return nullptr;
  }
  const int lines = Lines();
  const auto* fields = static_cast<const uint8_t*>(merged_);
  std::vector<uint8_t> frame(static_cast<size_t>(720) * 2 * lines);
  for (int i = 0; i < lines; ++i)
    std::copy_n(fields + (static_cast<size_t>(i / 2) + (i % 2 ? lines / 2 : 0)) * 1440, 1440,
                frame.begin() + static_cast<ptrdiff_t>(i) * 1440);
  const QImage picture = nuvix::UyvyPicture(frame.data(), lines);
  auto* label = findChild<QLabel*>(QStringLiteral("tvout"), Qt::FindDirectChildrenOnly);
  if (!label) {
    label = new QLabel(this, Qt::Window);
    label->setObjectName(QStringLiteral("tvout"));
    label->setWindowTitle(QStringLiteral("TV output"));
  }
  label->setPixmap(QPixmap::fromImage(picture));
  label->resize(picture.size());
  return label;
}

std::vector<TourStep> CSquadTab::TourSteps() {
  std::vector<TourStep> steps;
  steps.push_back({"squad-16ch", [this] {
                     ItemAs<QAbstractButton>(LayoutButtonId(k16Cells))->click();
                     IChannelCapture* video = CaptureTab(Owner());
                     if (!video) return TourFailed(QStringLiteral("no video tab"));
                     for (int ch = 0; ch < kTourCameras; ++ch) video->StartChannel(ch);
                     PumpWait(2000);
                     for (int ch = 0; ch < kTourCameras; ++ch)
                       if (!video->IsCapturing(ch)) TourFailed(QStringLiteral("channel %1 did not start").arg(ch + 1));
                   }});
  steps.push_back({"squad-tvout-16ch", [] {}, [this]() -> QWidget* { return TvOutPicture(); }});
  steps.push_back({"squad-tvout-30ch",
                   [this] {
                     if (IChannelCapture* video = CaptureTab(Owner()))
                       for (int ch = 0; ch < kTourCameras; ++ch) video->StopChannel(ch);
                     ItemAs<QAbstractButton>(LayoutButtonId(k30Cells))->click();
                     PumpWait(200);  // a few pictures of the board's output
                   },
                   [this]() -> QWidget* { return TvOutPicture(); }});
  return steps;
}
