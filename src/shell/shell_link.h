// Windows shortcuts (".lnk"): a whole shortcut read into a record, a record's
// changes written back into an existing shortcut, and TPBShellLink, which
// builds a new shortcut from its properties. The shortcut finder reads and
// repairs links; the start-up manager reads folder items and writes new ones.
//
// All of it goes through the shell's own link object (IShellLinkW and
// IPersistFile). COM is set up for the call only when the thread has none.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace velmora::shell {

struct TShellLinkInfo {
  std::string Path;  // the target as the shell reports it in short form
  std::string Arguments;
  std::string Description;
  std::string WorkingDirectory;
  std::string IconLocation;
  std::int32_t IconIndex = 0;
  std::int32_t ShowCmd = SW_SHOWNORMAL;
  std::uint16_t HotKey = 0;  // low byte virtual key, high byte 1 Shift, 2 Ctrl, 4 Alt
  std::string LongPath;      // the target as stored (no short form): what tools judge and search by
  std::uint32_t Flags = 0;   // SLDF_* of the link's data list
};

// A failing shell call: which one and its result code.
class ShellLinkError : public std::runtime_error {
 public:
  ShellLinkError(const std::string& call, HRESULT result);
  const std::string& call() const { return call_; }
  HRESULT result() const { return result_; }

 private:
  std::string call_;
  HRESULT result_;
};

// Loads the whole shortcut. The target is resolved (no window, any match, at
// most half a second) after the other fields are read, so only the path can
// change by it. A target that is no file-system object reads as empty paths.
// Raises ShellLinkError on the first failing call; nothing is returned partly.
TShellLinkInfo ReadShortcut(const std::wstring& fileName);

// Reads shortcuts one after another through one link object, which halves
// the cost of a read. Made and used on one thread.
class ShellLinkReader {
 public:
  ShellLinkReader();
  ~ShellLinkReader();
  ShellLinkReader(const ShellLinkReader&) = delete;
  ShellLinkReader& operator=(const ShellLinkReader&) = delete;
  TShellLinkInfo Read(const std::wstring& fileName);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Rewrites an existing shortcut in place: only the fields of `info` that
// differ from the file as loaded are set (a repair sets only the path), so
// long arguments and descriptions and an empty icon location stay as they
// were. `LongPath` and `Flags` are not written. Raises ShellLinkError.
void WriteShortcut(const std::wstring& fileName, const TShellLinkInfo& info);

// ---- TPBShellLink ------------------------------------------------------------

class EPBShellLink : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The special folders a new shortcut may be placed in, each with its value
// name under the current user's "Shell Folders" key.
enum class TShellFolder { sfNone, sfDesktop, sfFavorites, sfFonts, sfPersonal, sfPrograms, sfRecent, sfSendTo,
                          sfStartMenu, sfStartup, sfTemplates };
const char* ShellFolderValueName(TShellFolder folder);  // "" for sfNone

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
int ShowCommandOf(TWindowState state);         // 1, 7, 3
TWindowState WindowStateOf(int showCommand);   // 3 and 7 map back; anything else is wsNormal

// A menu short-cut value: virtual key in the low byte, plus these flags.
using TShortCut = std::uint16_t;
inline constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
TShortCut ShortCutOfHotKey(std::uint16_t hotKey);
std::uint16_t HotKeyOfShortCut(TShortCut shortCut);

struct TFileIcon {
  std::string FileName;
  int IconIndex = 0;
};

class TPBShellLink {
 public:
  TPBShellLink();
  ~TPBShellLink();
  TPBShellLink(const TPBShellLink&) = delete;
  TPBShellLink& operator=(const TPBShellLink&) = delete;

  std::string Target, Arguments, WorkingDir, Description;

  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value);
  TShellFolder ShellFolder() const { return shellFolder_; }
  void SetShellFolder(TShellFolder folder);
  TFileIcon& FileIcon() { return *fileIcon_; }
  void SetFileIcon(const TFileIcon& icon) { *fileIcon_ = icon; }
  TShortCut HotKey() const { return ShortCutOfHotKey(hotKey_); }
  void SetHotKey(TShortCut shortCut) { hotKey_ = HotKeyOfShortCut(shortCut); }
  TWindowState WindowState() const { return WindowStateOf(showCmd_); }
  void SetWindowState(TWindowState state) { showCmd_ = ShowCommandOf(state); }

  // Writes the shortcut at FileName (made or replaced). Raises EPBShellLink.
  void Save();

  // The folder's path as the current user's "Shell Folders" key gives it ("" when absent).
  static std::string SpecialFolderPath(TShellFolder folder);

 private:
  std::string InFolder(const std::string& name) const;
  std::string fileName_;
  TShellFolder shellFolder_ = TShellFolder::sfNone;
  std::unique_ptr<TFileIcon> fileIcon_;
  std::uint16_t hotKey_ = 0;
  int showCmd_ = SW_SHOWNORMAL;
};

}  // namespace velmora::shell
