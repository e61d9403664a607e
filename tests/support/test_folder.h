// A fresh folder for one test below a drive root (C:\ by default), removed with
// everything in it when the object goes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

class TestFolder {
 public:
  explicit TestFolder(char drive = 'C');
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  // The folder, ending in "\".
  const std::string& path() const { return path_; }
  // path() + relative.
  std::string operator/(const std::string& relative) const { return path_ + relative; }

  // Writes a file (making its folders) with the given content; returns its full path.
  std::string File(const std::string& relative, const std::string& content = "x") const;
  // A file of exactly `size` bytes.
  std::string SizedFile(const std::string& relative, std::uint64_t size) const;
  std::string Folder(const std::string& relative) const;

 private:
  std::string path_;
};

// Writes a file in an existing folder with exactly this name, even where the
// folder holds one whose name differs only in case ("A.tmp" beside "a.tmp").
// Wine matches names ignoring case for every Windows call, so the file is
// made from the Unix side; false where that cannot be done.
bool WriteExactCaseFile(const std::string& folder, const std::string& name, const std::string& content);

// A log's text as its lines (CR LF separated, no empty last line for the final CR LF).
std::vector<std::string> SplitLines(const std::string& text);

// Helpers on real files for assertions.
bool PathExists(const std::string& path);
std::string ReadWholeFile(const std::string& path);
void SetAttributes(const std::string& path, unsigned long attributes);
// Removes a folder tree, clearing read-only, hidden and system attributes first.
void RemoveTree(const std::string& path);

}  // namespace velmora::test
