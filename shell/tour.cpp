#include "tour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTemporaryFile>
#include <cstdio>

#include "control_ids.h"
#include "nuvix_sdk_dlg.h"
#include "tab_dialog.h"

namespace {

constexpr const char* kTabNames[CNuvixSdkDlg::kTabCount] = {"live", "video", "audio", "serial",
                                                            "squad", "pinax", "play"};

QString g_directory;
bool g_failed = false;

void Settle(int milliseconds = 50) {
  QElapsedTimer timer;
  timer.start();
  do {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  } while (timer.elapsed() < milliseconds);
}

void Click(CNuvixSdkDlg& dialog, int id) {
  if (auto* button = dialog.ItemAs<QAbstractButton>(id); button && button->isEnabled()) button->click();
}

class Tour {
 public:
  Tour(CNuvixSdkDlg& dialog, QString directory, TourOptions options)
      : dialog_(dialog), directory_(std::move(directory)), options_(options) {}

  void Step(const QString& name, const std::function<void()>& action, const std::function<QWidget*()>& shot = {}) {
    std::printf("--- tour step %02d: %s\n", ++number_, qPrintable(name));
    std::fflush(stdout);
    action();
    Settle();
    if (!options_.screenshots) return;
    QWidget* target = shot ? shot() : nullptr;
    const QString path =
        QDir(directory_).filePath(QStringLiteral("%1-%2.png").arg(number_, 2, 10, QLatin1Char('0')).arg(name));
    if (!(target ? target : &dialog_)->grab().save(path)) TourFailed(QStringLiteral("cannot write ") + path);
  }

  int Run() {
    Step("start", [] {});
    Step("search", [this] { Click(dialog_, main_ids::kSearch); });
    Step("select", [this] { Click(dialog_, main_ids::kFirstSelect); });
    Step("open", [this] {
      for (int id : main_ids::kOptions) {
        if (auto* box = dialog_.ItemAs<QAbstractButton>(id); box && box->isEnabled()) box->setChecked(true);
      }
      Click(dialog_, main_ids::kNtscOpen);
    });
    for (int tab = 0; tab < CNuvixSdkDlg::kTabCount; ++tab) {
      if (!dialog_.Tab(tab) || (options_.onlyTab != TourOptions::kEveryTab && options_.onlyTab != tab)) continue;
      Step(QStringLiteral("%1-tab").arg(kTabNames[tab]), [this, tab] { Click(dialog_, main_ids::kTabButtons[tab]); });
      for (const TourStep& step : dialog_.Tab(tab)->TourSteps())
        Step(QString::fromStdString(step.name), step.action, step.shot);
    }
    Step("close", [this] { Click(dialog_, main_ids::kClose); });
    return g_failed ? 1 : 0;
  }

 private:
  CNuvixSdkDlg& dialog_;
  QString directory_;
  TourOptions options_;
  int number_ = 0;
};

}  // namespace

// Tried with a real file: permission bits say nothing for root or on
// read-only file systems.
bool PrepareTourDirectory(const QString& directory) {
  QString problem;
  if (!QDir().mkpath(directory)) {
    problem = QStringLiteral("cannot create ") + directory;
  } else if (QTemporaryFile probe(QDir(directory).filePath(QStringLiteral(".tour-probe-XXXXXX"))); !probe.open()) {
    problem = QStringLiteral("cannot write to %1: %2").arg(directory, probe.errorString());
  }
  if (!problem.isEmpty()) std::fprintf(stderr, "tour: %s\n", qPrintable(problem));
  return problem.isEmpty();
}

int RunTour(CNuvixSdkDlg& dialog, const QString& directory, TourOptions options) {
  g_directory = directory;
  g_failed = false;
  dialog.show();
  Settle();
  const int result = Tour(dialog, directory, options).Run();
  g_directory.clear();
  return result;
}

QString TourDirectory() { return g_directory; }

void TourFailed(const QString& reason) {
  std::fprintf(stderr, "tour: %s\n", qPrintable(reason));
  g_failed = true;
}
