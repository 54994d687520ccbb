#include "app_fixture.h"

#include <QPlainTextEdit>
#include <sstream>

#include "tab_factory.h"

void AppFixture::MakeDialog(CNuvixSdkDlg::TabFactory factory) {
  dialog_ = std::make_unique<CNuvixSdkDlg>(factory ? std::move(factory) : CNuvixSdkDlg::TabFactory(&MakeTab));
}

std::string AppFixture::LogText() const { return dialog_->LogEdit()->toPlainText().toStdString(); }

std::vector<std::string> AppFixture::LogLines() const {
  std::vector<std::string> lines;
  std::istringstream stream(LogText());
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

void AppFixture::SearchSelectOpen(std::initializer_list<int> optionIds, bool ntsc) {
  Click(main_ids::kSearch);
  Click(main_ids::kFirstSelect);
  for (int id : optionIds) Button(id)->setChecked(true);
  Click(ntsc ? main_ids::kNtscOpen : main_ids::kPalOpen);
}

void AppFixture::OpenBoard(const char* boards, std::initializer_list<int> optionIds, bool ntsc) {
  ASSERT_EQ(NUVIXI_SIM_SetBoardsFromText(boards), 0) << boards;
  MakeDialog(nullptr);
  SearchSelectOpen(optionIds, ntsc);
}
