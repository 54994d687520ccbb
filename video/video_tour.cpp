// The video tab's part of the scripted tour: record four channels for three
// seconds with their display windows, check that the files index, export the
// first one to AVI for standard players, and switch File Save off again.
#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <cstdio>
#include <optional>

#include "video_ids.h"
#include "recorded_file.h"
#include "scripted_prompts.h"
#include "timing.h"
#include "tour.h"
#include "video_channel.h"

namespace {

constexpr int kTourChannels = 4;


// Runs a program to its end; its standard output, or nothing when it failed.
std::optional<QString> RunTool(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
    return std::nullopt;
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Exports the recording with nuvix-export (installed next to the program) and,
// when FFmpeg's ffprobe is installed, checks that it reads every picture as MJPG.
void ExportForPlayers(const std::string& recording, uint32_t records) {
  const QString tool = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("nuvix-export"));
  if (!QFileInfo(tool).isExecutable()) {
    std::printf("tour: nuvix-export is not installed; the recording was not exported\n");
    return;
  }
  const QString avi = QString::fromStdString(recording).replace(QStringLiteral(".MJP"), QStringLiteral(".avi"));
  if (!RunTool(tool, {QStringLiteral("-q"), QString::fromStdString(recording), avi}))
    return TourFailed(QStringLiteral("nuvix-export could not export ") + QString::fromStdString(recording));
  const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
  if (ffprobe.isEmpty()) {
    std::printf("tour: exported %s (ffprobe is not installed to check it)\n", qPrintable(avi));
    return;
  }
  const std::optional<QString> probe = RunTool(
      ffprobe, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                QStringLiteral("-show_entries"), QStringLiteral("stream=codec_name,nb_read_frames"),
                QStringLiteral("-of"), QStringLiteral("csv=p=0"), avi});
  const QString expected = QStringLiteral("mjpeg,%1").arg(records);
  std::printf("tour: exported %s, ffprobe reads %s\n", qPrintable(avi), probe ? qPrintable(probe->trimmed()) : "nothing");
  if (!probe || probe->trimmed() != expected)
    TourFailed(QStringLiteral("ffprobe does not read ") + avi + QStringLiteral(" as ") + expected);
}

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
                       OnGridNotify(nuvix::WheelTurn(50 * 120, column, nuvix::video_rows::kRatio));
                       PumpWait(kActionThrottleMs + 10);
                       OnGridNotify(nuvix::RightPress(column, nuvix::video_rows::kAction));
                     }
                     PumpWait(3000);
                     for (int ch = 0; ch < kTourChannels; ++ch)
                       if (!IsCapturing(ch)) TourFailed(QStringLiteral("channel %1 did not start").arg(ch + 1));
                   }});
  steps.push_back({"video-bandwidth", [this] {
                     // A budget far above four channels' frames, then no budget again.
                     ItemAs<QLineEdit>(video_ids::kBandwidthValue)->setText(QStringLiteral("1000"));
                     ItemAs<QAbstractButton>(video_ids::kBandwidthOn)->click();
                     PumpWait(200);
                     ItemAs<QAbstractButton>(video_ids::kBandwidthOff)->click();
                   }});
  steps.push_back({"video-dc-window", [] {}, [this]() -> QWidget* { return Window(0).Get(); }});
  steps.push_back({"video-stopped", [this] {
                     PumpWait(kActionThrottleMs + 10);
                     OnGridNotify(nuvix::RightPress(0, nuvix::video_rows::kAction));
                     for (int ch = 0; ch < kTourChannels; ++ch) {
                       nuvix::RecordedFile file;
                       const std::string path = channels_[ch]->file.path();
                       file.SetPath("%s", path.c_str());
                       uint32_t records = 0;
                       if (file.Open(nuvix::RecordedFile::kRead) && file.ScanHeader()) records = file.BuildIndex();
                       std::printf("tour: %s indexes %u records\n", path.c_str(), records);
                       if (records == 0) TourFailed(QStringLiteral("no records in ") + QString::fromStdString(path));
                       else if (ch == 0) ExportForPlayers(path, records);
                     }
                     // The files just reported stay as they are: cameras that
                     // later steps start record nothing.
                     OnFileSave();
                     if (fileSave_) TourFailed(QStringLiteral("File Save did not switch off"));
                   }});
  return steps;
}
