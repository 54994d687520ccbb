#include "nuvix_sdk_dlg.h"

#include <QAbstractButton>
#include <QLabel>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <iterator>
#include <memory>
#include <optional>

#include "app_icon.h"
#include "board_tables.h"
#include "control_ids.h"
#include "driver_version.h"
#include "prompts.h"
#include "tab_dialog.h"

using nuvix::win::ControlKind;
using nuvix::win::ControlSpec;
using nuvix::win::kDisabled;
using nuvix::win::kVScroll;

namespace {

constexpr int kDialogWidthDu = 345;
constexpr int kDialogHeightDu = 380;
using namespace main_ids;
static_assert(std::size(kTabButtons) == CNuvixSdkDlg::kTabCount);

constexpr ControlSpec kControls[] = {
    {kIcon, ControlKind::Icon, "", 4, 4, 20, 20},
    {kSearch, ControlKind::DefPushButton, "NUVIX Board Search", 25, 4, 89, 19},
    {kFirstSelect, ControlKind::PushButton, "1ST", 4, 25, 27, 12, kDisabled},
    {1104, ControlKind::PushButton, "2ND", 32, 25, 27, 12, kDisabled},
    {1105, ControlKind::PushButton, "3RD", 60, 25, 27, 12, kDisabled},
    {1106, ControlKind::PushButton, "4TH", 88, 25, 26, 12, kDisabled},
    {kDetail, ControlKind::MultiEdit, "", 4, 39, 110, 51},
    {kLog, ControlKind::MultiEdit, "", 116, 4, 213, 86, kVScroll},
    {kVideoOption, ControlKind::CheckBox, "Video", 4, 95, 29, 11},
    {kAudioOption, ControlKind::CheckBox, "Audio", 33, 95, 30, 11},
    {kAPlayOption, ControlKind::CheckBox, "APlay", 63, 95, 30, 11},
    {kSerialOption, ControlKind::CheckBox, "Serial", 93, 95, 32, 11},
    {kSquadOption, ControlKind::CheckBox, "SQUAD", 125, 95, 41, 11},
    {kNtscOpen, ControlKind::PushLikeRadio, "NTSC BD Open", 167, 93, 55, 14, kDisabled},
    {kPalOpen, ControlKind::PushLikeRadio, "PAL BD Open", 222, 93, 55, 14, kDisabled},
    {kClose, ControlKind::PushLikeRadio, "BD Close", 277, 93, 53, 14, kDisabled},
    {kTabButtons[0], ControlKind::PushButton, "LIVE TAB", 0, 113, 44, 13, kDisabled},
    {kTabButtons[1], ControlKind::PushButton, "VIDEO TAB", 43, 113, 46, 13, kDisabled},
    {kTabButtons[2], ControlKind::PushButton, "AUDIO TAB", 88, 113, 50, 13, kDisabled},
    {kTabButtons[3], ControlKind::PushButton, "SERIAL TAB", 137, 113, 50, 13, kDisabled},
    {kTabButtons[4], ControlKind::PushButton, "SQUAD TAB", 186, 113, 48, 13, kDisabled},
    {kTabButtons[5], ControlKind::PushButton, "PINAX TAB", 234, 113, 54, 13, kDisabled},
    {kTabButtons[6], ControlKind::PushButton, "PLAY TAB", 288, 113, 48, 13, kDisabled},
    {kTabArea, ControlKind::Frame, "", 0, 125, 335, 244},
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
  if (auto* picture = ItemAs<QLabel>(kIcon)) picture->setPixmap(icon.pixmap(Item(kIcon)->size()));
  Item(kTabArea)->lower();
}

void CNuvixSdkDlg::ConnectOption(int id, int32_t& field) {
  connect(Button(this, id), &QAbstractButton::toggled, this, [&field](bool checked) { field = checked ? 1 : 0; });
}

void CNuvixSdkDlg::ConnectControls() {
  connect(Button(this, kSearch), &QAbstractButton::clicked, this, [this] { SearchBoards(); });
  for (int i = 0; i < 4; ++i)
    connect(Button(this, kFirstSelect + i), &QAbstractButton::clicked, this, [this, i] { SelectBoard(i); });
  ConnectOption(kVideoOption, optionVideo_);
  ConnectOption(kAudioOption, optionAudio_);
  ConnectOption(kAPlayOption, optionAPlay_);
  ConnectOption(kSerialOption, optionSerial_);
  ConnectOption(kSquadOption, optionSquad_);
  connect(Button(this, kNtscOpen), &QAbstractButton::clicked, this, [this] {
    if (!OpenBoard(NUVIXI_STANDARD_NTSC)) nuvix::win::SetChecked(Button(this, kNtscOpen), false);
  });
  connect(Button(this, kPalOpen), &QAbstractButton::clicked, this, [this] {
    if (!OpenBoard(NUVIXI_STANDARD_PAL)) nuvix::win::SetChecked(Button(this, kPalOpen), false);
  });
  connect(Button(this, kClose), &QAbstractButton::clicked, this, [this] { CloseBoard(); });
  for (int tab = 0; tab < kTabCount; ++tab)
    connect(Button(this, kTabButtons[tab]), &QAbstractButton::clicked, this, [this, tab] { ShowTab(tab); });
  LogEdit()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(LogEdit(), &QWidget::customContextMenuRequested, this, [this](const QPoint& at) { ShowLogMenu(at); });
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

QPlainTextEdit* CNuvixSdkDlg::LogEdit() const { return ItemAs<QPlainTextEdit>(kLog); }

int CNuvixSdkDlg::InsertLogText(const std::string& text) {
  for (const auto& mirror : logMirrors_) mirror(text);
  QString shown = QString::fromLocal8Bit(text.c_str());
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QPlainTextEdit* edit = LogEdit();
  QTextCursor cursor = edit->textCursor();
  // The log takes typing, so a selection may hold what someone is about to
  // copy: the line goes in at the caret and takes nothing away.
  cursor.clearSelection();
  cursor.insertText(shown);
  edit->setTextCursor(cursor);
  return LogLineCount();
}

void CNuvixSdkDlg::AddLogMirror(std::function<void(const std::string&)> mirror) {
  if (!mirror) return;
  const QString text = LogEdit()->toPlainText();
  if (!text.isEmpty()) {
    QString written = text;
    written.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    mirror(written.toStdString());
  }
  logMirrors_.push_back(std::move(mirror));
}

bool CNuvixSdkDlg::SaveLog(const std::string& path) const {
  QFile file(QString::fromLocal8Bit(path.c_str()));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const QByteArray text = LogEdit()->toPlainText().toLocal8Bit();
  return file.write(text) == text.size() && file.flush();
}

void CNuvixSdkDlg::ShowLogMenu(const QPoint& position) {
  QPlainTextEdit* edit = LogEdit();
  std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
  menu->addSeparator();
  menu->addAction(QStringLiteral("Save Log..."), this, [this] {
    const std::optional<std::string> path =
        nuvix::CurrentPrompts().ChooseFile(false, "LOG", "LOG FILE|*.LOG;*.TXT;*.*||");
    if (path && !SaveLog(*path))
      nuvix::CurrentPrompts().MessageBox("Cannot write the log to " + *path, "NUVIXSDK",
                                         nuvix::MessageIcon::Warning);
  });
  menu->exec(edit->viewport()->mapToGlobal(position));
}

void CNuvixSdkDlg::ClearLog() { LogEdit()->clear(); }

// Lines as an edit control counts them without word wrap: every line break
// starts a line, and an empty text is one line.
int CNuvixSdkDlg::LogLineCount() const { return LogEdit()->document()->blockCount(); }
