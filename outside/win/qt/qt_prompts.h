// The prompts shown to the user with Qt dialogs.
#pragma once

#include <QString>

#include "prompts.h"

namespace nuvix::win {

class QtPrompts final : public Prompts {
 public:
  void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  std::optional<std::string> ChooseFile(bool openForRead, const std::string& defaultExtension,
                                        const std::string& filter) override;
  std::optional<ChosenFont> ChooseFont() override;
};

// "MJ FILE|*.MJP;*.MJ*;*.*||" → "MJ FILE (*.MJP *.MJ* *.*)", one Qt filter per pair.
QString QtFileFilter(const std::string& windowsFilter);

}  // namespace nuvix::win
