// A main dialog on the simulated board with scripted prompts.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "board_tables.h"
#include "control_ids.h"
#include "nuvix_sdk_dlg.h"
#include "nuvixi_sim.h"
#include "scripted_prompts.h"
#include "tab_dialog.h"

inline std::string SimJournal() {
  std::string text(NUVIXI_SIM_ReadJournal(nullptr, 0), '\0');
  NUVIXI_SIM_ReadJournal(text.data(), text.size() + 1);
  return text;
}

// The journal split into its calls, oldest first.
inline std::vector<std::string> SimJournalCalls() {
  std::vector<std::string> calls;
  const std::string journal = SimJournal();
  for (size_t start = 0, end; (end = journal.find('\n', start)) != std::string::npos; start = end + 1)
    calls.push_back(journal.substr(start, end - start));
  return calls;
}

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    NUVIXI_SIM_Reset();
    previousPrompts_ = nuvix::InstallPrompts(prompts_);
    scratch_ = std::filesystem::temp_directory_path() / ("nuvix-app-" + std::to_string(::getpid()));
    std::filesystem::remove_all(scratch_);
    std::filesystem::create_directories(scratch_);
  }
  void TearDown() override {
    dialog_.reset();
    nuvix::InstallPrompts(previousPrompts_);
    NUVIXI_SIM_Reset();
    std::filesystem::remove_all(scratch_);
  }

  // Creates the dialog with the given tab factory (the real tabs when null).
  void MakeDialog(CNuvixSdkDlg::TabFactory factory);

  QAbstractButton* Button(int id) const { return dialog_->ItemAs<QAbstractButton>(id); }
  void Click(int id) { Button(id)->click(); }
  std::string LogText() const;
  std::vector<std::string> LogLines() const;

  // Search, select board 0, tick the given option boxes and open in NTSC
  // (or PAL).
  void SearchSelectOpen(std::initializer_list<int> optionIds, bool ntsc = true);
  // Configures the simulated boards, makes the dialog with the real tabs and
  // opens board 0 with the given options.
  void OpenBoard(const char* boards, std::initializer_list<int> optionIds, bool ntsc = true);

  std::shared_ptr<nuvix::ScriptedPrompts> prompts_ = std::make_shared<nuvix::ScriptedPrompts>();
  // A folder of the test's own for the files it writes, removed after it.
  std::filesystem::path scratch_;
  std::unique_ptr<CNuvixSdkDlg> dialog_;

 private:
  std::shared_ptr<nuvix::Prompts> previousPrompts_;
};
