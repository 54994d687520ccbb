#include "nuvix_sdk_app.h"

#include <QApplication>
#include <cstdio>
#include <memory>

#include "command_line.h"
#include "command_line_table.h"
#include "driver_version.h"
#include "log_file.h"
#include "nuvix_sdk_dlg.h"
#include "qt_prompts.h"
#include "qt_trace.h"
#include "self_test.h"
#include "tab_factory.h"
#include "tour.h"

namespace {

void PrintLogLine(const std::string& text) {
  std::string line;
  for (char c : text)
    if (c != '\r') line += c;
  std::fputs(line.c_str(), stdout);
  std::fflush(stdout);
}

// The program's version and the board driver's, as --version prints them.
std::string VersionText() {
  return "nuvixsdk " NUVIXSDK_VERSION "\nboard driver " + DriverVersionText() + "\n";
}

}  // namespace

int CNuvixSdkApp::Run(int argc, char** argv) {
  const CommandLine command = ParseCommandLine(argc, argv);
  switch (command.action) {
    case CommandLine::Action::kHelp:
      std::fputs(UsageText().c_str(), stdout);
      return 0;
    case CommandLine::Action::kVersion:
      std::fputs(VersionText().c_str(), stdout);
      return 0;
    case CommandLine::Action::kRefuse:
      std::fputs(RefusalText(command.problem).c_str(), stderr);
      return nuvix::cli::kBadUse;
    case CommandLine::Action::kSelfTest: {
      SelfTestOptions options = command.selfTest;
      options.logPath = command.logFile;
      return RunSelfTest(options, stdout, stderr);
    }
    case CommandLine::Action::kTour:
      if (!PrepareTourDirectory(QString::fromLocal8Bit(command.tourDirectory))) return 1;
      break;
    case CommandLine::Action::kRun:
      break;
  }

  LogFile logFile;
  if (!command.logFile.empty() && !logFile.Open(command.logFile)) {
    std::fprintf(stderr, "%s\n", logFile.error().c_str());
    return 1;
  }
  auto writeLog = [&logFile](const std::string& text) { logFile.Write(text); };

  // The arguments are ours: Qt gets none, so it reads its settings from the environment only.
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  QApplication::setApplicationName(QStringLiteral("NUVIXSDK"));
  // The desktop entry's name, so that the desktop shows its icon for the windows.
  QGuiApplication::setDesktopFileName(QStringLiteral(NUVIX_APP_ID));
  nuvix::win::InstallQtTraceSink();

  if (command.action == CommandLine::Action::kRun) {
    nuvix::InstallPrompts(std::make_shared<nuvix::win::QtPrompts>());
    auto dialog = std::make_unique<CNuvixSdkDlg>(&MakeTab);
    if (logFile.isOpen()) dialog->AddLogMirror(writeLog);
    dialog->exec();
    return 0;
  }
  // The tour answers no questions: message boxes are logged, dialogs cancelled.
  CNuvixSdkDlg dialog(&MakeTab);
  dialog.AddLogMirror(&PrintLogLine);
  if (logFile.isOpen()) dialog.AddLogMirror(writeLog);
  return RunTour(dialog, QString::fromLocal8Bit(command.tourDirectory));
}
