// The audio tab's part of the scripted tour: record channels 1 and 2 for two
// seconds with their scopes running, then check that both files hold blocks.
#include <QAbstractButton>
#include <QDir>
#include <cstdio>

#include "acapt_channel.h"
#include "scripted_prompts.h"
#include "timing.h"
#include "tour.h"

namespace {

constexpr int kTourChannels = 2;
constexpr uint32_t kTourMs = 2000;

}  // namespace

std::vector<TourStep> CAcaptTab::TourSteps() {
  std::vector<TourStep> steps;
  steps.push_back({"audio-file-save", [this] {
                     auto scripted = std::make_shared<nuvix::ScriptedPrompts>();
                     scripted->AnswerFile(QDir(TourDirectory()).filePath(QStringLiteral("tour")).toStdString());
                     auto previous = nuvix::InstallPrompts(scripted);
                     OnFileSave();
                     nuvix::InstallPrompts(previous);
                     if (!fileSave_) TourFailed(QStringLiteral("audio File Save did not switch on"));
                   }});
  steps.push_back({"audio-capturing", [this] {
                     for (int ch = 0; ch < kTourChannels; ++ch) ItemAs<QAbstractButton>(kIdFirstStart + ch)->click();
                     PumpWait(kTourMs);
                     for (int ch = 0; ch < kTourChannels; ++ch)
                       if (!IsRunning(ch)) TourFailed(QStringLiteral("audio channel %1 did not start").arg(ch + 1));
                   }});
  steps.push_back({"audio-stopped", [this] {
                     ItemAs<QAbstractButton>(kIdAllChannels)->click();
                     for (int ch = 0; ch < kTourChannels; ++ch) {
                       nuvix::RecordedFile file;
                       const std::string path = channels_[ch]->file.path();
                       file.SetPath("%s", path.c_str());
                       uint32_t blocks = 0;
                       if (file.Open(nuvix::RecordedFile::kRead) && file.ScanHeader()) blocks = file.BuildIndex();
                       std::printf("tour: %s indexes %u blocks\n", path.c_str(), blocks);
                       if (blocks == 0) TourFailed(QStringLiteral("no audio blocks in ") + QString::fromStdString(path));
                     }
                   }});
  return steps;
}
