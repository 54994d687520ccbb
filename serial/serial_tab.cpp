#include "serial_tab.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <algorithm>
#include <system_error>

#include "nuvix_sdk_dlg.h"
#include "nuvixi.h"
#include "serial_ids.h"
#include "tick_count.h"

using nuvix::win::ControlKind;
using nuvix::win::ControlSpec;

namespace {

using namespace serial_ids;

constexpr ControlSpec kControls[] = {
    {kReceive, ControlKind::MultiEdit, "", 4, 4, 327, 176, nuvix::win::kVScroll},
    {0, ControlKind::Static, "Baud Rate", 4, 188, 40, 10},
    {kBaud, ControlKind::ComboBox, "", 46, 186, 72, 14},
    {0, ControlKind::Static, "Parity   Bit", 126, 188, 44, 10},
    {kParity, ControlKind::ComboBox, "", 172, 186, 60, 14},
    {kConfig, ControlKind::PushButton, "Config Set", 262, 186, 69, 14},
    {kSendText, ControlKind::Edit, "", 4, 206, 182, 14},
    {kClear, ControlKind::PushButton, "Data Clear", 192, 206, 66, 14},
    {kSend, ControlKind::PushButton, "Data Send", 262, 206, 69, 14},
};

constexpr const char* kBaudItems[] = {"1200    BPS", "2400    BPS", "4800    BPS",
                                      "9600    BPS", "19200  BPS", "38400  BPS"};
constexpr const char* kParityItems[] = {"SPACE", "NONE", "EVEN", "ODD"};

const char* Separator(uint32_t counter) {
  if (counter == 0) return "";
  if (counter % 16 == 0) return "\r\n";
  if (counter % 8 == 0) return "         ";
  if (counter % 4 == 0) return "   ";
  return "";
}

}  // namespace

CSerialTab::CSerialTab() : CTabDialog(113) {}

CSerialTab::~CSerialTab() {
  reader_.Stop();
  if (sender_.joinable()) sender_.join();  // the write ends by its own time-out at the latest
}

void CSerialTab::OnInitDialog() {
  board_ = static_cast<uint32_t>(BoardIndex());
  BuildTemplate(kControls);
  for (const char* item : kBaudItems) ItemAs<QComboBox>(kBaud)->addItem(QString::fromLatin1(item));
  for (const char* item : kParityItems) ItemAs<QComboBox>(kParity)->addItem(QString::fromLatin1(item));
  parityIndex_ = 0;
  baudIndex_ = 0;
  received_ = 0;
  ItemAs<QComboBox>(kBaud)->setCurrentIndex(baudIndex_);
  ItemAs<QComboBox>(kParity)->setCurrentIndex(parityIndex_);
  connect(ItemAs<QAbstractButton>(kConfig), &QAbstractButton::clicked, this, [this] { OnConfigSet(); });
  connect(ItemAs<QAbstractButton>(kSend), &QAbstractButton::clicked, this, [this] { OnDataSend(); });
  connect(ItemAs<QAbstractButton>(kClear), &QAbstractButton::clicked, this, [this] { OnDataClear(); });
  reader_.Setup({.kind = CCaptThread::SerialRead,
                 .userData = this,
                 .callback = &CSerialTab::ReceiveCallback,
                 .board = BoardIndex(),
                 .log = Owner()});
  reader_.Start();
}

void CSerialTab::OnConfigSet() {
  baudIndex_ = ItemAs<QComboBox>(kBaud)->currentIndex();
  parityIndex_ = ItemAs<QComboBox>(kParity)->currentIndex();
  const uint32_t code = NUVIXI_RUART_CONFIG(board_, baudIndex_, parityIndex_);
  LogResult(Owner(), code, 0, "NUVIXI_RUART_CONFIG(%X,%X,%X)", board_, baudIndex_, parityIndex_);
}

void CSerialTab::OnDataSend() {
  if (sending_.load()) return;
  baudIndex_ = ItemAs<QComboBox>(kBaud)->currentIndex();
  parityIndex_ = ItemAs<QComboBox>(kParity)->currentIndex();
  sendText_ = ItemAs<QLineEdit>(kSendText)->text().toLocal8Bit().toStdString();
  if (sendText_.empty()) return;
  sending_ = true;
  Item(kSend)->setEnabled(false);
  try {
    sender_ = std::thread([this] {
      Write();
      QMetaObject::invokeMethod(this, [this] { EndSend(); }, Qt::QueuedConnection);
    });
  } catch (const std::system_error&) {
    Write();  // no thread to be had: the write holds the window as it always did
    EndSend();
  }
}

void CSerialTab::Write() {
  const uint32_t length = static_cast<uint32_t>(sendText_.size());
  const uint32_t start = nuvix::GetTickCount();
  const uint32_t code = NUVIXI_RUART_WRITE(board_, sendText_.data(), length, kWriteTimeoutMs);
  LogResult(Owner(), code, 0, "NUVIXI_RUART_WRITE(%X,%lX,%X,%X)", board_,
            static_cast<unsigned long>(reinterpret_cast<uintptr_t>(sendText_.data())), length, kWriteTimeoutMs);
  if (IsSlowWrite(start, nuvix::GetTickCount())) LogResult(Owner(), code, 0, "  RESULT : MAY BE ERROR");
}

void CSerialTab::EndSend() {
  if (sender_.joinable()) sender_.join();
  sending_ = false;
  Item(kSend)->setEnabled(true);
}

void CSerialTab::OnDataClear() {
  {
    // Bytes received before the clear but not shown yet go with the box.
    std::lock_guard lock(pendingMutex_);
    pending_.clear();
  }
  ItemAs<QPlainTextEdit>(kReceive)->clear();
  ItemAs<QLineEdit>(kSendText)->clear();
  received_ = 0;
}

QString CSerialTab::FormatBytes(const uint8_t* bytes, uint32_t count, uint32_t counter) {
  QString text;
  for (uint32_t i = 0; i < count; ++i, ++counter)
    text += QString::fromLatin1(Separator(counter)) + QString::asprintf(" %02X", bytes[i]);
  return text;
}

QString CSerialTab::ReceiveText() const {
  QString text = ItemAs<QPlainTextEdit>(kReceive)->toPlainText();
  text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return text;
}

void CSerialTab::ReceiveCallback(void* tab, int32_t, uintptr_t address) {
  const auto* record = reinterpret_cast<const CCaptThread::ReceiveRecord*>(address);
  auto* self = static_cast<CSerialTab*>(tab);
  bool queue;
  {
    std::lock_guard lock(self->pendingMutex_);
    self->pending_.insert(self->pending_.end(), record->data,
                          record->data + std::min<uint32_t>(record->count, sizeof record->data));
    queue = !self->showQueued_;
    self->showQueued_ = true;
  }
  if (queue) QMetaObject::invokeMethod(self, "ShowPending", Qt::QueuedConnection);
}

// Runs on the GUI thread, so the counter and the box change together and a
// Data Clear can never fall between them.
void CSerialTab::ShowPending() {
  std::vector<uint8_t> bytes;
  {
    std::lock_guard lock(pendingMutex_);
    bytes.swap(pending_);
    showQueued_ = false;
  }
  if (bytes.empty()) return;
  const uint32_t counter = received_.load();
  QString text = FormatBytes(bytes.data(), static_cast<uint32_t>(bytes.size()), counter);
  received_ = counter + static_cast<uint32_t>(bytes.size());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  auto* box = ItemAs<QPlainTextEdit>(kReceive);
  QTextCursor cursor = box->textCursor();
  cursor.insertText(text);
  box->setTextCursor(cursor);
  box->ensureCursorVisible();
}
