// The SERIAL tab's part of the scripted tour: text sent at 9600 baud comes
// back through the board's loopback plug and shows in hexadecimal.
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>

#include "serial_ids.h"
#include "serial_tab.h"
#include "timing.h"
#include "tour.h"

namespace {

constexpr char kTourText[] = "NUVIX 0123456789";
constexpr int kBaud9600 = 3, kParityNone = 1;
constexpr int kEchoWaitMs = 3000;

}  // namespace

std::vector<TourStep> CSerialTab::TourSteps() {
  return {{"serial-echo", [this] {
             ItemAs<QComboBox>(serial_ids::kBaud)->setCurrentIndex(kBaud9600);
             ItemAs<QComboBox>(serial_ids::kParity)->setCurrentIndex(kParityNone);
             OnConfigSet();
             ItemAs<QLineEdit>(serial_ids::kSendText)->setText(QString::fromLatin1(kTourText));
             OnDataSend();
             QElapsedTimer waited;
             waited.start();
             while (ReceivedCount() < sizeof kTourText - 1 && waited.elapsed() < kEchoWaitMs) PumpWait(20);
             if (ReceivedCount() != sizeof kTourText - 1)
               TourFailed(QStringLiteral("the serial echo brought %1 bytes").arg(ReceivedCount()));
           }}};
}
