// Files a user's machine has and a tidy test folder does not: a sparse file
// above 4 GiB, a path of 260 characters or more, names in several scripts.
// (Two names differing only in case: WriteExactCaseFile in test_folder.h.)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

// A sparse file of exactly `size` bytes (no data written, so it takes no disk
// space); its full path. Throws std::runtime_error when it cannot be made.
std::string MakeSparseFile(const std::string& folder, const std::string& name, std::uint64_t size);

// A file whose full path, `folder` included, is exactly `length` characters
// (at least folder + 20), made below `folder` through nested folders of at
// most 100 characters each; its full path (without a \\?\ prefix). Throws
// std::runtime_error when it cannot be made.
std::string MakeLongPathFile(const std::string& folder, std::size_t length, const std::string& content = "x");

// File names in several scripts, each ending in `extension` (".tmp"):
// Japanese, Arabic, an emoji outside the basic plane, and a letter with a
// combining mark (decomposed, so it differs from the composed spelling).
std::vector<std::string> ScriptNames(const std::string& extension);
// Writes one file of each of those names into `folder`; their full paths.
std::vector<std::string> MakeScriptNamedFiles(const std::string& folder, const std::string& extension,
                                              const std::string& content = "x");

}  // namespace velmora::test
