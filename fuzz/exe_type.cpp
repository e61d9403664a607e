// The executable type from a file's first bytes, the bytes at its new-header
// offset and its extension: any bytes give one of the known codes.
#include "tools/tracker/exe_type.h"

#include "fuzz_support.h"

using namespace velmora::tracker;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in = velmora::fuzz::Text(data, size);
  const std::string_view start = in.substr(0, 0x40);
  const std::uint32_t offset = NewHeaderOffset(start);
  const std::string_view atNew = offset < in.size() ? in.substr(offset, 4) : std::string_view();
  static const char* const kExtensions[] = {".EXE", ".com", ".Bat", ".inf", ".txt", "", ".EXE.bak"};
  for (const char* ext : kExtensions) {
    const int code = ExeTypeFromSignature(SignatureOf(start, atNew, ext), ext);
    FUZZ_CHECK(!ExeTypeName(code).empty());
  }
  return 0;
}
