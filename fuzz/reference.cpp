// The registry cleaner's reference rule over made-up drives and files whose
// answers come from the input: a text is called invalid only when it is an
// absolute path on a fixed drive and some path asked about was Missing.
#include "tools/regclean/reference.h"

#include "fuzz_support.h"

using namespace velmora::regclean;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t flags = data[0];
  const std::string text(velmora::fuzz::Text(data + 1, size - 1));
  bool sawMissing = false;
  ReferenceEnv env;
  env.driveType = [&](char letter) -> unsigned {
    const unsigned kinds[] = {drivekind::kFixed, drivekind::kRemote, drivekind::kCdRom, 2, 1};
    return kinds[(unsigned(static_cast<unsigned char>(letter)) + flags) % 5];
  };
  env.exists = [&](const std::string& path) {
    const std::size_t h = std::hash<std::string>()(path) ^ flags;
    const Existence e = h % 3 == 0 ? Existence::Present : h % 3 == 1 ? Existence::Missing : Existence::Unknown;
    sawMissing = sawMissing || e == Existence::Missing;
    return e;
  };
  env.excludeRemovable = flags & 1;
  if (!IsValidReference(text, env)) FUZZ_CHECK(sawMissing);
  return 0;
}
