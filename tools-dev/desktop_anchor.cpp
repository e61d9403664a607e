// Keeps Wine's desktop open while the tests run. The wineserver closes a
// desktop one second after its last program has gone; a test program that
// starts in that second finds no desktop and cannot create a single window.
// scripts/test starts this first and ends it with the wineserver.
//
//   desktop_anchor.exe READY-FILE     (the file is made once the window exists)
#include <windows.h>
#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = L"VelmoraDesktopAnchor";
  RegisterClassW(&wc);
  // This program may itself arrive while an empty desktop is being closed.
  HWND window = nullptr;
  for (int attempt = 0; attempt < 100 && !window; ++attempt) {
    window = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             instance, nullptr);
    if (!window) Sleep(100);
  }
  if (!window) return 1;
  if (argv && argc > 1) {
    HANDLE ready = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
  }
  LocalFree(argv);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
