// file_holder: keeps a file open from another process, as an editor or an
// installer would, until told to stop.
// Arguments: the file's path, the sharing it allows (a number: the
// FILE_SHARE_* flags, 0 for none), the name of an event it signals once the
// file is open, and the name of an event that ends it (after two minutes it
// ends anyway, so a failed test leaves nothing running).
// Exit codes: 0 stopped, 1 timed out, 2 bad arguments, 3 the file could not be opened.
#include <windows.h>

#include <cwchar>

#include "platform/handles.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) return 2;
  const DWORD share = DWORD(std::wcstoul(argv[2], nullptr, 10));
  const velmora::UniqueHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]));
  const velmora::UniqueHandle stop(OpenEventW(SYNCHRONIZE, FALSE, argv[4]));
  if (!ready || !stop) return 2;
  const velmora::FileHandle file(
      CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 3;
  SetEvent(ready.get());
  return WaitForSingleObject(stop.get(), 120000) == WAIT_OBJECT_0 ? 0 : 1;
}
