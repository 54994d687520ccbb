// The scripted walk through the program: search, select the first board, open
// it in NTSC with every option it allows, show each tab, close. Prints the log
// and saves DIR/NN-step.png after each step.
#pragma once

#include <QString>

class CNuvixSdkDlg;

// Creates DIR when it is missing and makes sure it takes files; otherwise
// prints why not and returns false. Needs no QApplication.
bool PrepareTourDirectory(const QString& directory);

// Walks the tour into a prepared DIR. Returns 0 when every step ran and every
// screenshot was written.
int RunTour(CNuvixSdkDlg& dialog, const QString& directory);

// The directory of the tour that is running (empty when none is).
QString TourDirectory();
// Marks the tour failed, with a reason printed to standard error.
void TourFailed(const QString& reason);
