// A tool bar of push buttons with pictures from an image list and captions
// below them. A button may carry a drop-down menu: its arrow drops the menu,
// its body runs the button's own onClick.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "ui/form.h"

namespace velmora::ui {

class PopupMenu;

class ToolBar : public Control {
 public:
  ToolBar(Container& parent, Bounds bounds);

  // Returns the new button's index. imageIndex -1 for none; menu not owned.
  int AddButton(const std::string& caption, int imageIndex, std::function<void()> onClick,
                PopupMenu* dropDown = nullptr);
  size_t buttonCount() const { return buttons_.size(); }
  const std::string& buttonCaption(int index) const { return buttons_.at(size_t(index)).caption; }
  bool ButtonEnabled(int index) const { return buttons_.at(size_t(index)).enabled; }
  void SetButtonEnabled(int index, bool enabled);
  // The tool tip shown over a button; empty for none.
  void SetButtonHint(int index, const std::string& hint) { buttons_.at(size_t(index)).hint = hint; }
  const std::string& buttonHint(int index) const { return buttons_.at(size_t(index)).hint; }
  PopupMenu* DropDownMenu(int index) const { return buttons_.at(size_t(index)).menu; }
  // Small images of the buttons (not owned).
  void SetImageList(HIMAGELIST images);
  // Presses the button as the user would: nothing when it is disabled.
  void Click(int index);

 protected:
  void CreateHandle() override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;

 private:
  struct ToolButton {
    std::string caption;
    int image;
    std::function<void()> onClick;
    PopupMenu* menu;
    bool enabled = true;
    std::string hint;
  };
  void AddToWindow(int index);
  int IndexOfCommand(UINT_PTR command) const;

  std::vector<ToolButton> buttons_;
  void ApplyImages();
  void OnDpiChanged() override;
  HIMAGELIST images_ = nullptr;
  int firstCommand_ = 0;
  std::wstring hintText_;  // the tip being shown, alive while the tool tip reads it
};

}  // namespace velmora::ui
