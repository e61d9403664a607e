// Interim: replaced by the Form-based input box of the forms layer.
#include "ui/input_box.h"

namespace velmora::ui {

std::optional<std::string> RunInputBox(HWND, const std::string&, const std::string&, const std::string&) {
  return std::nullopt;
}

}  // namespace velmora::ui
