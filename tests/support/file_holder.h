// A file held open by another process (tests/helpers/file_holder.exe) with a
// chosen sharing, for as long as the object lives: the "in use" of a real
// machine, which an open handle of the test's own process cannot stand for
// (a process may always reach what it holds itself through other calls).
#pragma once

#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace velmora::test {

class FileHolder {
 public:
  // Opens `path` for reading and writing in the helper, sharing `share`
  // (FILE_SHARE_* flags; 0 lets nobody else open it). Returns once the file
  // is open, or the helper has failed (held() is then false).
  explicit FileHolder(const std::string& path, DWORD share = 0);
  ~FileHolder();  // lets the file go
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;

  bool held() const { return held_; }
  // Lets the file go now and waits for the helper to end.
  void Release();

 private:
  UniqueHandle ready_, stop_, process_;
  bool held_ = false;
};

}  // namespace velmora::test
