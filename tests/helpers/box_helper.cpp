// Raises one message box and waits for its answer, as a faulty unattended run
// would: the box watchdog's own test starts it. Arguments: caption, text.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  const wchar_t* caption = argc > 1 ? argv[1] : L"Velmora";
  const wchar_t* text = argc > 2 ? argv[2] : L"A box nobody sees.";
  return MessageBoxW(nullptr, text, caption, MB_OK | MB_ICONERROR) == IDOK ? 3 : 4;
}
