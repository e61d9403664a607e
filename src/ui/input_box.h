// The input box window: a title, a prompt, an edit with the initial text, OK and Cancel.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace velmora::ui {

// Runs the input box modally; the text on OK, nothing on Cancel.
std::optional<std::string> RunInputBox(HWND owner, const std::string& title, const std::string& prompt,
                                       const std::string& initial);

}  // namespace velmora::ui
