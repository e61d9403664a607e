#include "agent/notify_area.h"

namespace velmora::agent {

bool ShellNotifyArea::Notify(DWORD message, const NOTIFYICONDATAW& data) {
  NOTIFYICONDATAW copy = data;  // the call takes a non-const record
  return Shell_NotifyIconW(message, &copy) != FALSE;
}

UINT ShellNotifyArea::TrackMenu(HMENU menu, HWND owner, POINT at) {
  return UINT(TrackPopupMenu(menu, TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD |
                                       TPM_NONOTIFY,
                             at.x, at.y, 0, owner, nullptr));
}

}  // namespace velmora::agent
