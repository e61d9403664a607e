// The notification area as the agent sees it: the icon calls and the tray
// menu. The shell's own is ShellNotifyArea; tests put a recorder in its place
// (Wine's null display driver has no notification area, and a tracked menu
// waits for a user).
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace velmora::agent {

class NotifyArea {
 public:
  virtual ~NotifyArea() = default;
  // Shell_NotifyIconW with NIM_ADD, NIM_MODIFY or NIM_DELETE; true on success.
  virtual bool Notify(DWORD message, const NOTIFYICONDATAW& data) = 0;
  // Shows the menu right- and bottom-aligned at `at`, owned by `owner`, and
  // returns the chosen command id, or 0 when the menu was dismissed.
  virtual UINT TrackMenu(HMENU menu, HWND owner, POINT at) = 0;
};

class ShellNotifyArea final : public NotifyArea {
 public:
  bool Notify(DWORD message, const NOTIFYICONDATAW& data) override;
  UINT TrackMenu(HMENU menu, HWND owner, POINT at) override;
};

}  // namespace velmora::agent
