// The scripted walk through the program: search, select the first board, open
// it in NTSC with every option it allows, show each tab, close. Prints the log
// and saves DIR/NN-step.png after each step.
#pragma once

#include <QString>

class CNuvixSdkDlg;

// Creates DIR when it is missing and makes sure it takes files; otherwise
// prints why not and returns false. Needs no QApplication.
bool PrepareTourDirectory(const QString& directory);

// Which part of the tour runs: every tab's steps or one tab's (kNoTab: only
// search, open and close), with or without screenshots.
struct TourOptions {
  static constexpr int kEveryTab = -1, kNoTab = -2;
  int onlyTab = kEveryTab;
  bool screenshots = true;
};

// Walks the tour into a prepared DIR. Returns 0 when every step ran and every
// screenshot was written.
int RunTour(CNuvixSdkDlg& dialog, const QString& directory, TourOptions options = {});

// The directory of the tour that is running (empty when none is).
QString TourDirectory();
// Marks the tour failed, with a reason printed to standard error.
void TourFailed(const QString& reason);
