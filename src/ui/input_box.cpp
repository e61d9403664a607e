#include "ui/input_box.h"

namespace velmora::ui {

InputBox::InputBox(HWND owner, const std::string& title, const std::string& prompt, const std::string& initial) {
  lblPrompt.SetCaption(prompt);
  edtValue.SetText(initial);
  btnOk.modalResult = mrOk;
  btnCancel.modalResult = mrCancel;
  FormArgs args;
  args.className = kClassName;
  args.caption = title;
  args.clientWidth = 340;
  args.clientHeight = 119;
  args.owner = owner;
  args.minimizeBox = false;
  Create(args);
}

void InputBox::FormCreate() { edtValue.SelectAll(); }

void InputBox::FormShow() {
  edtValue.SetFocus();
  edtValue.SelectAll();
}

std::optional<std::string> InputBox::Run() {
  if (ShowModal() != mrOk) return std::nullopt;
  return edtValue.text();
}

std::optional<std::string> RunInputBox(HWND owner, const std::string& title, const std::string& prompt,
                                       const std::string& initial) {
  InputBox box(owner, title, prompt, initial);
  return box.Run();
}

}  // namespace velmora::ui
