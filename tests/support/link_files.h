// Shortcut files a test cannot make through TPBShellLink: one that names a
// shell object instead of a file, and one advertised by an installer (Wine
// has no way to add that block, so its bytes are written by hand).
#pragma once

#include <string>

namespace velmora::test {

// A ".lnk" to "My Computer" (an item ID list, no file-system path).
bool WriteShellObjectLink(const std::string& path);
// A ".lnk" carrying only an installer's Darwin descriptor (SLDF_HAS_DARWINID).
bool WriteDarwinLink(const std::string& path);
// A ".lnk" whose target is stored in its environment form only (an
// SLDF_HAS_EXP_SZ block, "%SystemRoot%\system32\notepad.exe"), with a
// comment, a working folder, arguments, an icon, a hot key, a show command and
// the run-as flag: every field a rebuilt shortcut would lose.
bool WriteEnvironmentLink(const std::string& path);
// The show command stored in a ".lnk" header (offset 60); -1 when unreadable.
int StoredShowCommand(const std::string& path);

}  // namespace velmora::test
