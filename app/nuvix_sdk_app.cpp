#include "nuvix_sdk_app.h"

#include <QApplication>
#include <cstdio>
#include <memory>

#include "nuvix_sdk_dlg.h"
#include "qt_prompts.h"
#include "qt_trace.h"
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

}  // namespace

int CNuvixSdkApp::Run(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("NUVIXSDK"));
  nuvix::win::InstallQtTraceSink();

  QString tourDirectory;
  const QStringList arguments = QApplication::arguments();
  for (int i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == QLatin1String("--tour") && i + 1 < arguments.size()) {
      tourDirectory = arguments[++i];
    } else if (arguments[i] == QLatin1String("--help")) {
      std::printf(
          "usage: nuvixsdk [--tour DIR]\n"
          "  --tour DIR  walk through the program and write a screenshot per step into DIR\n"
          "The simulated board is a QCA08 unless NUVIXI_SIM_BOARDS names others; live video\n"
          "(the LIVE tab) needs a QLA board: NUVIXI_SIM_BOARDS=QLA16 nuvixsdk\n");
      return 0;
    } else {
      std::fprintf(stderr, "usage: nuvixsdk [--tour DIR] | --help\n");
      return 2;
    }
  }

  if (tourDirectory.isEmpty()) {
    nuvix::InstallPrompts(std::make_shared<nuvix::win::QtPrompts>());
    auto dialog = std::make_unique<CNuvixSdkDlg>(&MakeTab);
    dialog->exec();
    return 0;
  }
  // The tour answers no questions: message boxes are logged, dialogs cancelled.
  CNuvixSdkDlg dialog(&MakeTab);
  dialog.SetLogMirror(&PrintLogLine);
  return RunTour(dialog, tourDirectory);
}
