// The video tab's part of the scripted tour: record four channels for three
// seconds with their display windows, then check that the files index.
#include <QCheckBox>
#include <QDir>
#include <cstdio>

#include "control_ids.h"
#include "recorded_file.h"
#include "scripted_prompts.h"
#include "timing.h"
#include "tour.h"
#include "video_channel.h"

namespace {

constexpr uint32_t kRightDown = 0x204, kWheel = 0x20A;
constexpr int kTourChannels = 4;

uint32_t Cell(uint32_t column, uint32_t row) { return (column << 16) | row; }

}  // namespace

std::vector<TourStep> CVideoTab::TourSteps() {
  std::vector<TourStep> steps;
  steps.push_back({"video-file-save", [this] {
                     auto scripted = std::make_shared<nuvix::ScriptedPrompts>();
                     scripted->AnswerFile(QDir(TourDirectory()).filePath(QStringLiteral("tour")).toStdString());
                     auto previous = nuvix::InstallPrompts(scripted);
                     OnFileSave();
                     nuvix::InstallPrompts(previous);
                     if (!fileSave_) TourFailed(QStringLiteral("File Save did not switch on"));
                   }});
  steps.push_back({"video-capturing", [this] {
                     ItemAs<QCheckBox>(video_ids::kWindows)->setChecked(true);
                     for (uint32_t column = 1; column <= kTourChannels; ++column) {
                       OnGridNotify((static_cast<uint32_t>(50 * 120) << 16) | kWheel,
                                    Cell(column, nuvix::video_rows::kRatio));
                       PumpWait(kActionThrottleMs + 10);
                       OnGridNotify(kRightDown, Cell(column, nuvix::video_rows::kAction));
                     }
                     PumpWait(3000);
                     for (int ch = 0; ch < kTourChannels; ++ch)
                       if (!IsCapturing(ch)) TourFailed(QStringLiteral("channel %1 did not start").arg(ch + 1));
                   }});
  steps.push_back({"video-dc-window", [] {}, [this]() -> QWidget* { return Window(0).Get(); }});
  steps.push_back({"video-stopped", [this] {
                     PumpWait(kActionThrottleMs + 10);
                     OnGridNotify(kRightDown, Cell(0, nuvix::video_rows::kAction));
                     for (int ch = 0; ch < kTourChannels; ++ch) {
                       nuvix::RecordedFile file;
                       const std::string path = channels_[ch]->file.path();
                       file.SetPath("%s", path.c_str());
                       uint32_t records = 0;
                       if (file.Open(nuvix::RecordedFile::kRead) && file.ScanHeader()) records = file.BuildIndex();
                       std::printf("tour: %s indexes %u records\n", path.c_str(), records);
                       if (records == 0) TourFailed(QStringLiteral("no records in ") + QString::fromStdString(path));
                     }
                   }});
  return steps;
}
