// The registry cleaner's reference test: does a registry string name a file or
// folder on a local fixed disk that no longer exists? Window-free; the drive
// and existence questions come through ReferenceEnv, so the rule is tested
// (and fuzzed) without a file system, and the real answers are one function.
#pragma once

#include <functional>
#include <string>

namespace velmora::regclean {

enum class Existence { Present, Missing, Unknown };

// The drive kinds the rule asks about (the system's GetDriveType numbers).
namespace drivekind {
constexpr unsigned kFixed = 3, kRemote = 4, kCdRom = 5;
}

struct ReferenceEnv {
  std::function<unsigned(char letter)> driveType;
  // Present when the system reports attributes (a file or a folder); Missing
  // only when it says the file or the path is not found; Unknown otherwise
  // (access denied, not ready, a wildcard, a name it refuses).
  std::function<Existence(const std::string& path)> exists;
  bool excludeRemovable = true;  // cbExclude: CD-ROM and network drives are left alone
};

// The answers of this system: GetDriveTypeW and GetFileAttributesW (with the
// long-path prefix past 259 characters), each remembered for the life of the
// returned answers: make them anew for each scan and each recheck. The
// process's current folder is never touched.
ReferenceEnv SystemReferenceEnv(bool excludeRemovable);

// True when the text is not an invalid reference: it is no absolute path on a
// fixed disk from C: to Z:, or what it names exists, or that cannot be told.
// A 32-bit program's "\System32\" is the system's "\SysWOW64\" and its
// "\Sysnative\" the system's "\System32\": such a path counts as present when
// found in either.
bool IsValidReference(const std::string& text, const ReferenceEnv& env);

}  // namespace velmora::regclean
