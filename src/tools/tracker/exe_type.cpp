// The window-free part of the executable type: the header and extension rules.
#include "tools/tracker/exe_type.h"

namespace velmora::tracker {

namespace {

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return out;
}

}  // namespace

std::uint32_t NewHeaderOffset(std::string_view start) {
  if (start.size() < 0x40 || start.substr(0, 2) != "MZ") return 0;
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | (unsigned char)start[0x3C + i];
  return v;
}

std::uint16_t SignatureOf(std::string_view start, std::string_view atNewHeader, std::string_view extension) {
  if (start.substr(0, 2) == "MZ") {
    if (atNewHeader.substr(0, 4) == std::string_view("PE\0\0", 4)) return kSignaturePE;
    if (atNewHeader.substr(0, 2) == "NE") return kSignatureNE;
    return kSignatureMZ;
  }
  const std::string ext = UpperAscii(extension);
  return ext == ".COM" || ext == ".BAT" ? kSignatureMZ : 0;
}

int ExeTypeFromSignature(std::uint16_t signature, std::string_view extension) {
  const std::string ext = UpperAscii(extension);
  switch (signature) {
    case kSignatureNE:
      return exetype::kWindows16;
    case kSignaturePE:
      return exetype::kWindows32;
    case kSignatureMZ:
      return ext == ".EXE" ? exetype::kDosExe
             : ext == ".COM" ? exetype::kDosCom
             : ext == ".BAT" ? exetype::kDosBatch
                             : exetype::kNotExecutable;
    default:
      return ext == ".INF" ? exetype::kSetupInf : exetype::kNotExecutable;
  }
}

std::string ExeTypeName(int code) {
  switch (code) {
    case exetype::kTwoPhase:
      return "(two phase operation)";
    case exetype::kDosExe:
      return "DOS EXE file";
    case exetype::kDosCom:
      return "DOS COM file";
    case exetype::kDosBatch:
      return "DOS batch file";
    case exetype::kWindows16:
      return "Windows Executable";
    case exetype::kWindows32:
      return "32-bit Windows Executable";
    case exetype::kSetupInf:
      return "Setup .INF file";
    case exetype::kMissing:
      return "File does not exist";
    case exetype::kNotExecutable:
      return "Not an executable file";
    default:
      return "";
  }
}

}  // namespace velmora::tracker
