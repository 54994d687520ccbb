// The play tab's part of the scripted tour: a video recording of the tour
// stepped, played and saved as a bitmap, then an audio recording played
// through the board when the tour made one.
#include <QDir>
#include <cstdio>

#include "play_tab.h"
#include "scripted_prompts.h"
#include "timing.h"
#include "tour.h"

namespace {

// Runs action with the file prompt answering path.
template <typename Action>
void WithFileAnswer(const QString& path, Action action) {
  auto scripted = std::make_shared<nuvix::ScriptedPrompts>();
  scripted->AnswerFile(path.toStdString());
  auto previous = nuvix::InstallPrompts(scripted);
  action();
  nuvix::InstallPrompts(previous);
}

}  // namespace

std::vector<TourStep> CPlayTab::TourSteps() {
  const QDir dir(TourDirectory());
  std::vector<TourStep> steps;
  steps.push_back({"play-video-loaded", [this, dir] {
                     // The video tab's tour recorded channel 1 here.
                     WithFileAnswer(dir.filePath(QStringLiteral("tour_00.MJP")), [this] { OnLoad(); });
                     if (PlayState() != kStopped || !IsVideo())
                       TourFailed(QStringLiteral("the MJP recording did not load"));
                   }});
  steps.push_back({"play-stepped", [this] {
                     OnNext();
                     OnNext();
                     if (Cursor() != 2 % std::max<uint32_t>(Count(), 1)) TourFailed(QStringLiteral("stepping failed"));
                   }});
  steps.push_back({"play-forward", [this] {
                     OnPlayForward();
                     PumpWait(1000);
                     OnStop();
                   }});
  steps.push_back({"play-bitmap", [this, dir] {
                     const QString path = dir.filePath(QStringLiteral("play-frame.bmp"));
                     WithFileAnswer(path, [this] { OnSaveBitmap(); });
                     if (!QFileInfo::exists(path)) TourFailed(QStringLiteral("no bitmap written"));
                   }});
  steps.push_back({"play-search-window", [] {}, [this]() -> QWidget* { return Window().Get(); }});
  steps.push_back({"play-video-closed", [this] { OnClose(); }});

  if (!aplayOpen_) {
    std::printf("tour: the board has no audio playback (QLA models), audio playback not shown\n");
    return steps;
  }
  const QStringList recordings = dir.entryList({QStringLiteral("*.PCM")}, QDir::Files, QDir::Name);
  if (recordings.isEmpty()) {
    std::printf("tour: no PCM recording in %s, audio playback not shown\n", qPrintable(dir.path()));
    return steps;
  }
  const QString pcm = dir.filePath(recordings.first());
  steps.push_back({"play-audio", [this, pcm] {
                     WithFileAnswer(pcm, [this] { OnLoad(); });
                     OnPlayForward();
                     PumpWait(500);
                     OnVolume(volume_ > 0 ? static_cast<int>(volume_) - 1 : 1);
                     PumpWait(500);
                     if (PlayState() != kPlayingForward) TourFailed(QStringLiteral("the PCM recording did not play"));
                   }});
  steps.push_back({"play-audio-closed", [this] {
                     OnStop();
                     OnClose();
                   }});
  return steps;
}
