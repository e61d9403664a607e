// The input box window: a title, a prompt, an edit with the initial text
// (selected), OK (default) and Cancel.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ui/controls.h"
#include "ui/form.h"

namespace velmora::ui {

class InputBox : public Form {
 public:
  static constexpr const char* kClassName = "TVelmoraInputBox";
  InputBox(HWND owner, const std::string& title, const std::string& prompt, const std::string& initial);

  Label lblPrompt{*this, {12, 10, 316, 34}};
  Edit edtValue{*this, {12, 46, 316, 23}};
  Button btnOk{*this, {172, 82, 75, 25}, "OK", ButtonRole::Default};
  Button btnCancel{*this, {253, 82, 75, 25}, "Cancel", ButtonRole::Cancel};

  // Shows the box modally: the text on OK, nothing on Cancel, Escape or close.
  std::optional<std::string> Run();

 protected:
  void FormCreate() override;
  void FormShow() override;
};

// Runs the input box modally; the text on OK, nothing on Cancel.
std::optional<std::string> RunInputBox(HWND owner, const std::string& title, const std::string& prompt,
                                       const std::string& initial);

}  // namespace velmora::ui
