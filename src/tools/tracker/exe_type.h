// The setup program's type (the tracker's ExeType): whether it is a DOS
// program, a batch file, a 16- or 32-bit Windows program or a setup .INF file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::tracker {

namespace exetype {
constexpr int kTwoPhase = 0, kDosExe = 1, kDosCom = 2, kDosBatch = 3, kWindows16 = 4, kWindows32 = 5, kSetupInf = 6;
constexpr int kMissing = -1, kNotExecutable = -2, kNoExtension = -3;
}  // namespace exetype

// The header signature as the shell's executable-type query reports it: "MZ",
// "NE" or "PE" (two letters, first in the low byte), or 0.
constexpr std::uint16_t kSignatureMZ = 0x5A4D, kSignatureNE = 0x454E, kSignaturePE = 0x4550;

// Classifies a path as typed or chosen by the user.
int GetExeType(const std::string& path);
// The type's name ("DOS batch file"); empty for -3 and any unknown code.
std::string ExeTypeName(int code);

// The window-free rules: the code for a signature and the name's extension
// (dot included, any case).
int ExeTypeFromSignature(std::uint16_t signature, std::string_view extension);
// The signature of an executable's first bytes: "MZ", then "PE\0\0" or "NE"
// at the offset stored at 0x3C (`atNewHeader`, read by the caller); 0 without
// "MZ". A .COM or .BAT file without a header counts as "MZ", as DOS runs it so.
std::uint16_t SignatureOf(std::string_view start, std::string_view atNewHeader, std::string_view extension);
// The offset of the new header from an "MZ" file's first 64 bytes; 0 when absent.
std::uint32_t NewHeaderOffset(std::string_view start);

}  // namespace velmora::tracker
