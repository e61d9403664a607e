// tracker_setup_helper: stands in for a setup program in the tracker's tests.
// Argument: the name of an event; the program ends once it is signalled (or
// after a minute, so a failed test leaves nothing running).
#include <windows.h>

#include "platform/handles.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const velmora::UniqueHandle done(OpenEventW(SYNCHRONIZE, FALSE, argv[1]));
  if (!done) return 3;
  return WaitForSingleObject(done.get(), 60000) == WAIT_OBJECT_0 ? 0 : 1;
}
