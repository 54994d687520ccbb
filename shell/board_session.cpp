// Board search, selection, open and close, and the tabs they create and destroy.
#include <QAbstractButton>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "board_tables.h"
#include "control_ids.h"
#include "nuvix_sdk_dlg.h"
#include "tab_dialog.h"

namespace {

using namespace main_ids;
constexpr int kMaxListed = 4;

void Enable(QWidget* widget, bool enabled) {
  if (widget) widget->setEnabled(enabled);
}

}  // namespace

void CNuvixSdkDlg::SearchBoards() {
  Enable(Item(kSearch), false);
  std::memset(&search_, 0, sizeof search_);
  const uint32_t result = NUVIXI_BDSearch(&search_);
  LogResult(this, result, 0, "NUVIXI_BDSearch()");
  if (result != NUVIXI_SUCCESS) {
    Enable(Item(kSearch), true);
    return;
  }
  ListBoards();
}

void CNuvixSdkDlg::ListBoards() {
  int listed = 0;
  const uint32_t count = std::min<uint32_t>(search_.boardCount, kMaxListed);
  for (uint32_t i = 0; i < count; ++i) {
    const int32_t model = search_.modelCode[i];
    auto* button = ItemAs<QAbstractButton>(kFirstSelect + listed);
    button->setText(QString::fromLatin1(ModelLabel(model)));
    if (IsQlaModel(model)) {
      RefuseOption(kAPlayOption);
      RefuseOption(kSquadOption);
    }
    if (IsKnownModel(model)) {
      button->setEnabled(true);
      ++listed;
    }
  }
  if (listed == 0) {
    LogResult(this, NUVIXI_SUCCESS, 1, "<-- NUVIX BOARD NOT FOUND -->");
  } else {
    Item(kFirstSelect)->setFocus();
    LogResult(this, NUVIXI_SUCCESS, 0, "<-- NUVIX BOARD %d EA FOUND -->", listed);
  }
}

void CNuvixSdkDlg::SelectBoard(int index) {
  // Selecting another board while one is open would lose the open one's index.
  if (boardOpen_) return;
  QWidget* button = Item(kFirstSelect + index);
  Enable(button, false);
  std::memset(&detail_, 0, sizeof detail_);
  const uint32_t result = NUVIXI_BDDetailInfo(static_cast<uint32_t>(index), &detail_);
  if (result != NUVIXI_SUCCESS) {
    LogResult(this, result, 0, "NUVIXI_dw_BDDetailInfo(%X, ..) FAIL ..", index);
    Enable(button, true);
    return;
  }
  LogResult(this, NUVIXI_SUCCESS, 0, "NUVIXI_dw_BDDetailInfo(%X, ..) SUCCESS", index);
  ShowDetail();
  boardIndex_ = index;
  modelCode_ = search_.modelCode[index];
  caps_ = BoardCaps(modelCode_, detail_.maxCaptureChannels);
  AllowSquad();
  auto* ntsc = ItemAs<QAbstractButton>(kNtscOpen);
  auto* pal = ItemAs<QAbstractButton>(kPalOpen);
  auto* close = ItemAs<QAbstractButton>(kClose);
  nuvix::win::SetChecked(ntsc, false);
  nuvix::win::SetChecked(pal, false);
  nuvix::win::SetChecked(close, true);
  for (QAbstractButton* b : {ntsc, pal, close}) b->setEnabled(true);
  LogResult(this, NUVIXI_SUCCESS, 0, "GetDetail()::%dth BD <ID:%X> SELECT", index, modelCode_);
}

void CNuvixSdkDlg::ShowDetail() {
  const uint32_t fpga = detail_.fpgaRevision;
  char text[512];
  std::snprintf(text, sizeof text,
                "BD__ RevisionID -> %8X \r\n"
                "FPGA Revision ID -> %1X%1X,%1X%1X,%1X%1X,%1X%1X \r\n"
                "____ Custom__ID -> %8X \r\n"
                "TV OUT CH : %2d : AUDIO : %2d \r\n"
                "Max VCapT CH : %8d \r\n"
                "NUV BD ID : %8d \r\n",
                detail_.revisionId, (fpga >> 28) & 0xF, (fpga >> 24) & 0xF, (fpga >> 20) & 0xF, (fpga >> 16) & 0xF,
                (fpga >> 12) & 0xF, (fpga >> 8) & 0xF, (fpga >> 4) & 0xF, fpga & 0xF, detail_.customId,
                static_cast<int>(detail_.tvOutChannels), static_cast<int>(detail_.audioChannels),
                static_cast<int>(detail_.maxCaptureChannels), static_cast<int>(detail_.boardId));
  QString shown = QString::fromLatin1(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  ItemAs<QPlainTextEdit>(kDetail)->setPlainText(shown);
}

void CNuvixSdkDlg::AllowSquad() {
  const uint32_t fpga = detail_.fpgaRevision;
  bool allowed = false;
  if (modelCode_ == QCA02) allowed = true;
  else if (modelCode_ == QCA04) allowed = (fpga >= 0x05012400 && fpga <= 0x79123100) || detail_.boardId == 32;
  else if (modelCode_ == QCA08) allowed = detail_.boardId == 32;
  if (!allowed) RefuseOption(kSquadOption);
}

// A box ticked before the board ruled its option out must not open it.
void CNuvixSdkDlg::RefuseOption(int id) {
  ItemAs<QAbstractButton>(id)->setChecked(false);
  Enable(Item(id), false);
}

uint32_t CNuvixSdkDlg::OpenFlags() const {
  if (IsQlaModel(modelCode_)) {
    uint32_t flags = optionVideo_ ? 0x73 : 0x71;
    if (optionAudio_) flags |= 0x04;
    if (optionSerial_) flags |= 0x10;
    return flags;
  }
  uint32_t flags = 0;
  if (optionVideo_) flags |= 0x03;
  if (optionAudio_) flags |= 0x04;
  if (optionAPlay_) flags |= 0x08;
  if (optionSerial_) flags |= 0x10;
  if (optionSquad_) flags |= 0x20;
  return flags;
}

int CNuvixSdkDlg::OpenBoard(int standard) {
  if (boardOpen_) return 1;
  const uint32_t flags = OpenFlags();
  const uint32_t result = NUVIXI_BDOpen(static_cast<uint32_t>(boardIndex_), flags, static_cast<uint32_t>(standard));
  if (result != NUVIXI_SUCCESS) {
    LogResult(this, result, 1, "NUVIXI_dw_BDOpen(%X,%X,%X) FAIL ..", boardIndex_, flags, standard);
    return 0;
  }
  LogResult(this, NUVIXI_SUCCESS, 0, "NUVIXI_dw_BDOpen(%X,%X,%X) SUCCESS", boardIndex_, flags, standard);
  videoStandard_ = standard;
  boardOpen_ = 1;
  if (optionVideo_) {
    CreateTab(kLive);
    CreateTab(kVideo);
  }
  if (optionAudio_) CreateTab(kAudio);
  if (optionSerial_) CreateTab(kSerial);
  if (optionSquad_) CreateTab(kSquad);
  CreateTab(kPinax);
  CreateTab(kPlay);
  tabStrip_.Init(kTabButtons, kTabCount, this);
  SetTabButtons({optionVideo_, optionVideo_, optionAudio_, optionSerial_, optionSquad_, 1, 1});
  return 1;
}

void CNuvixSdkDlg::CloseBoard() {
  if (!boardOpen_) return;
  if (pauses_ > 0) {
    // A tab's handler is pausing further up the stack: close once it returns.
    QTimer::singleShot(0, this, [this] { CloseBoard(); });
    return;
  }
  for (int tab : {kLive, kVideo, kAudio, kSerial, kPinax, kPlay, kSquad}) DestroyTab(tab);
  SetScreenDivision(nullptr);
  SetTabButtons({0, 0, 0, 0, 0, 0, 0});
  // A refused close is reported and the board stays open, so that the next
  // BD Close tries again (a board still open at the driver cannot be reopened).
  if (const uint32_t result = NUVIXI_BDClose(static_cast<uint32_t>(boardIndex_)); result != NUVIXI_SUCCESS) {
    LogResult(this, result, 0, "NUVIXI_no_BDClose(%X) FAIL ..", boardIndex_);
    return;
  }
  LogResult(this, NUVIXI_SUCCESS, 0, "NUVIXI_no_BDClose(%X) OK", boardIndex_);
  boardOpen_ = 0;
}

// ---- Tabs ----

void CNuvixSdkDlg::CreateTab(int tabIndex) {
  if (tabIndex < 0 || tabIndex >= kTabCount || tabs_[tabIndex]) return;
  CTabDialog* tab = factory_ ? factory_(tabIndex) : nullptr;
  if (!tab) return;
  int extra = 0;
  if (tabIndex == kLive || tabIndex == kVideo || tabIndex == kSquad) extra = videoStandard_;
  else if (tabIndex == kPlay) extra = optionAPlay_;
  tabs_[tabIndex] = tab;
  tab->Init(this, boardIndex_, caps_, extra);
  tab->Create(ClientArea());
  tab->setGeometry(Item(kTabArea)->geometry());
}

void CNuvixSdkDlg::DestroyTab(int tabIndex) {
  if (tabIndex < 0 || tabIndex >= kTabCount || !tabs_[tabIndex]) return;
  CTabDialog* tab = tabs_[tabIndex];
  tabs_[tabIndex] = nullptr;
  delete tab;
}

void CNuvixSdkDlg::SetTabButtons(const std::array<int, kTabCount>& states) {
  for (int i = 0; i < kTabCount; ++i) tabStrip_.SetState(i, states[i] != 0);
}

void CNuvixSdkDlg::ShowTab(int tabIndex) {
  if (tabIndex < 0 || tabIndex >= kTabCount) return;
  for (int i = 0; i < kTabCount; ++i) {
    if (tabs_[i] && i != tabIndex) tabs_[i]->hide();
  }
  if (CTabDialog* tab = tabs_[tabIndex]) {
    tab->show();
    tab->raise();
    tab->setFocus();
  }
  tabStrip_.Raise(tabIndex);
}
