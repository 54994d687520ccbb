#include "nuvix_sdk_dlg.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>

#include "app_icon.h"
#include "board_tables.h"
#include "driver_version.h"
#include "tab_dialog.h"

using nuvix::win::ControlKind;
using nuvix::win::ControlSpec;
using nuvix::win::kDisabled;
using nuvix::win::kReadOnly;
using nuvix::win::kVScroll;

namespace {

constexpr int kDialogWidthDu = 345;
constexpr int kDialogHeightDu = 380;
constexpr int kIdIcon = 1100;
constexpr int kIdLog = 1101, kIdSearch = 1102, kIdFirstSelect = 1103, kIdDetail = 1107;
constexpr int kIdVideo = 1110, kIdAudio = 1111, kIdAPlay = 1112, kIdSerial = 1113, kIdSquad = 1114;
constexpr int kIdNtscOpen = 1116, kIdClose = 1117, kIdPalOpen = 1118;
constexpr int kIdTabArea = 1823;

// Tab buttons in tab-index order.
constexpr int kTabButtonIds[CNuvixSdkDlg::kTabCount] = {1121, 1122, 1123, 1126, 1127, 1124, 1125};

constexpr ControlSpec kControls[] = {
    {kIdIcon, ControlKind::Icon, "", 4, 4, 20, 20},
    {kIdSearch, ControlKind::DefPushButton, "NUVIX Board Search", 25, 4, 89, 19},
    {1103, ControlKind::PushButton, "1ST", 4, 25, 27, 12, kDisabled},
    {1104, ControlKind::PushButton, "2ND", 32, 25, 27, 12, kDisabled},
    {1105, ControlKind::PushButton, "3RD", 60, 25, 27, 12, kDisabled},
    {1106, ControlKind::PushButton, "4TH", 88, 25, 26, 12, kDisabled},
    {kIdDetail, ControlKind::MultiEdit, "", 4, 39, 110, 51},
    {kIdLog, ControlKind::MultiEdit, "", 116, 4, 213, 86, kVScroll | kReadOnly},
    {kIdVideo, ControlKind::CheckBox, "Video", 4, 95, 29, 11},
    {kIdAudio, ControlKind::CheckBox, "Audio", 33, 95, 30, 11},
    {kIdAPlay, ControlKind::CheckBox, "APlay", 63, 95, 30, 11},
    {kIdSerial, ControlKind::CheckBox, "Serial", 93, 95, 32, 11},
    {kIdSquad, ControlKind::CheckBox, "SQUAD", 125, 95, 41, 11},
    {kIdNtscOpen, ControlKind::PushLikeRadio, "NTSC BD Open", 167, 93, 55, 14, kDisabled},
    {kIdPalOpen, ControlKind::PushLikeRadio, "PAL BD Open", 222, 93, 55, 14, kDisabled},
    {kIdClose, ControlKind::PushLikeRadio, "BD Close", 277, 93, 53, 14, kDisabled},
    {1121, ControlKind::PushButton, "LIVE TAB", 0, 113, 44, 13, kDisabled},
    {1122, ControlKind::PushButton, "VIDEO TAB", 43, 113, 46, 13, kDisabled},
    {1123, ControlKind::PushButton, "AUDIO TAB", 88, 113, 50, 13, kDisabled},
    {1126, ControlKind::PushButton, "SERIAL TAB", 137, 113, 50, 13, kDisabled},
    {1127, ControlKind::PushButton, "SQUAD TAB", 186, 113, 48, 13, kDisabled},
    {1124, ControlKind::PushButton, "PINAX TAB", 234, 113, 54, 13, kDisabled},
    {1125, ControlKind::PushButton, "PLAY TAB", 288, 113, 48, 13, kDisabled},
    {kIdTabArea, ControlKind::Frame, "", 0, 125, 335, 244},
};

QAbstractButton* Button(const CWinDialog* dlg, int id) { return dlg->ItemAs<QAbstractButton>(id); }

}  // namespace

CNuvixSdkDlg::CNuvixSdkDlg(TabFactory factory, QWidget* parent)
    : CResizeDialog(nuvix::win::DialogUnitsToPixels(kDialogWidthDu, kDialogHeightDu), parent),
      factory_(std::move(factory)) {
  BuildControls();
  ConnectControls();
  InitDialog();
}

CNuvixSdkDlg::~CNuvixSdkDlg() { CloseBoard(); }

void CNuvixSdkDlg::BuildControls() {
  BuildTemplate(kControls);
  const QIcon icon = AppIcon();
  setWindowIcon(icon);
  if (auto* picture = ItemAs<QLabel>(kIdIcon)) picture->setPixmap(icon.pixmap(Item(kIdIcon)->size()));
  Item(kIdTabArea)->lower();
}

void CNuvixSdkDlg::ConnectOption(int id, int32_t& field) {
  connect(Button(this, id), &QAbstractButton::toggled, this, [&field](bool checked) { field = checked ? 1 : 0; });
}

void CNuvixSdkDlg::ConnectControls() {
  connect(Button(this, kIdSearch), &QAbstractButton::clicked, this, [this] { SearchBoards(); });
  for (int i = 0; i < 4; ++i)
    connect(Button(this, kIdFirstSelect + i), &QAbstractButton::clicked, this, [this, i] { SelectBoard(i); });
  ConnectOption(kIdVideo, optionVideo_);
  ConnectOption(kIdAudio, optionAudio_);
  ConnectOption(kIdAPlay, optionAPlay_);
  ConnectOption(kIdSerial, optionSerial_);
  ConnectOption(kIdSquad, optionSquad_);
  connect(Button(this, kIdNtscOpen), &QAbstractButton::clicked, this, [this] {
    if (!OpenBoard(NUVIXI_STANDARD_NTSC)) nuvix::win::SetChecked(Button(this, kIdNtscOpen), false);
  });
  connect(Button(this, kIdPalOpen), &QAbstractButton::clicked, this, [this] {
    if (!OpenBoard(NUVIXI_STANDARD_PAL)) nuvix::win::SetChecked(Button(this, kIdPalOpen), false);
  });
  connect(Button(this, kIdClose), &QAbstractButton::clicked, this, [this] { CloseBoard(); });
  for (int tab = 0; tab < kTabCount; ++tab)
    connect(Button(this, kTabButtonIds[tab]), &QAbstractButton::clicked, this, [this, tab] { ShowTab(tab); });
}

void CNuvixSdkDlg::InitDialog() {
  InitResize();
  const std::string version = DriverVersionText();
  setWindowTitle(QString::fromStdString("NUVIX SDK - 3.8.12.65 - Internal: " + version));
  LogResult(this, NUVIXI_SUCCESS, 0, "NUVIXI_GetVersion():Result:%s", version.c_str());
  boardOpen_ = 0;
  optionVideo_ = optionAudio_ = optionAPlay_ = optionSerial_ = optionSquad_ = 0;
  tabs_.fill(nullptr);
  LogResult(this, NUVIXI_SUCCESS, 0, "<-- Variable Initialize -->");
}

void CNuvixSdkDlg::done(int result) {
  CloseBoard();
  CResizeDialog::done(result);
}

// ---- Log window ----

QPlainTextEdit* CNuvixSdkDlg::LogEdit() const { return ItemAs<QPlainTextEdit>(kIdLog); }

int CNuvixSdkDlg::InsertLogText(const std::string& text) {
  if (logMirror_) logMirror_(text);
  QString shown = QString::fromLocal8Bit(text.c_str());
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QPlainTextEdit* edit = LogEdit();
  QTextCursor cursor = edit->textCursor();
  cursor.insertText(shown);
  edit->setTextCursor(cursor);
  return LogLineCount();
}

void CNuvixSdkDlg::SetLogMirror(std::function<void(const std::string&)> mirror) {
  logMirror_ = std::move(mirror);
  const QString text = LogEdit()->toPlainText();
  if (logMirror_ && !text.isEmpty()) {
    QString written = text;
    written.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    logMirror_(written.toStdString());
  }
}

void CNuvixSdkDlg::ClearLog() { LogEdit()->clear(); }

// Lines as an edit control counts them without word wrap: every line break
// starts a line, and an empty text is one line.
int CNuvixSdkDlg::LogLineCount() const { return LogEdit()->document()->blockCount(); }
