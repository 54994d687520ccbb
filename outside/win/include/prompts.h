// The one place where the program asks the user something: message boxes,
// the open/save file dialog and the font dialog. The Qt implementation shows
// real dialogs; tests install a scripted one.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace nuvix {

enum class MessageIcon { None, Information, Warning, Error };

// A LOGFONT-like description of the font the user chose.
struct ChosenFont {
  std::string faceName;
  int height = 0;  // pixels; 0 = the dialog's default
  int weight = 400;
  bool italic = false;
};

class Prompts {
 public:
  virtual ~Prompts() = default;

  // Modal message box with an OK button.
  virtual void MessageBox(const std::string& text, const std::string& caption, MessageIcon icon) = 0;

  // Open (openForRead) or save file dialog; filter in the Windows form
  // "NAME|*.A;*.B||". Returns the chosen full path, nothing on cancel.
  virtual std::optional<std::string> ChooseFile(bool openForRead, const std::string& defaultExtension,
                                                const std::string& filter) = 0;

  // Font dialog; nothing on cancel.
  virtual std::optional<ChosenFont> ChooseFont() = 0;
};

// The prompts the program uses; never null (silent, cancelling prompts until one is installed).
Prompts& CurrentPrompts();

// Installs the prompts (the program installs the Qt one at start, tests a scripted one);
// returns the previous ones. Null restores the silent default.
std::shared_ptr<Prompts> InstallPrompts(std::shared_ptr<Prompts> prompts);

}  // namespace nuvix
