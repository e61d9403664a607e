// Registry export files (".reg", "Windows Registry Editor Version 5.00"): the
// writer the registry backup streams through, the parser that checks a backup
// before it replaces the old one and before a restore writes anything, and the
// 64-bit value hash by which removal finds a value in the verified backup.
//
// Window-free and free of Win32 headers, so it can be built natively and
// fuzzed. Text is UTF-16 throughout (names come straight from the registry,
// never through UTF-8); the file is UTF-16LE with a byte-order mark and CR LF.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::regclean {

// Registry value types, as the registry numbers them.
namespace regtype {
constexpr std::uint32_t kNone = 0, kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4, kMultiSz = 7;
}

struct RegFileValue {
  bool isDefault = false;  // "@"
  std::u16string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;  // as stored
};

struct RegFileKey {
  std::u16string path;  // "HKEY_LOCAL_MACHINE\Software\Vendor"
  std::vector<RegFileValue> values;
};

// The roots a file may name.
bool IsKnownRoot(std::u16string_view root);

// Streams a file: the header at construction, then keys and their values.
class RegFileWriter {
 public:
  RegFileWriter();
  // False (and nothing written) for a path that a file cannot hold: a line break in it.
  bool BeginKey(std::u16string_view path);
  void Value(const RegFileValue& value);
  // The bytes written since the last Take (the header first), to stream to a file.
  std::string Take();
  std::uint64_t keys() const { return keys_; }
  std::uint64_t values() const { return values_; }

 private:
  void Put(std::u16string_view text);
  std::u16string pending_;
  std::uint64_t keys_ = 0, values_ = 0;
};

// The value line's text after "=" ("\"text\"", "dword:0000002a", "hex(7):41,00,...").
std::u16string FormatValueData(std::uint32_t type, const std::vector<std::uint8_t>& data);

struct RegFileError {
  std::size_t line = 0;  // 1-based; 0 for the file as a whole
  std::string what;
};

struct ParsedRegFile {
  std::vector<RegFileKey> keys;
  std::uint64_t valueCount = 0;
};

// Parses a whole file (its bytes). Refused whole, with the first problem: no
// byte-order mark or header, a line it cannot read, an unknown root, a value
// outside a key, a deletion ("[-key]" or "=-"), or a file cut short (a value
// left open, or no line break at its end).
struct ParseResult {
  std::optional<ParsedRegFile> file;
  RegFileError error;
};
ParseResult ParseRegFile(std::string_view bytes);

// The hash by which a listed value is found in a backup: its key path, name,
// type and data.
std::uint64_t ValueHash(std::u16string_view keyPath, const RegFileValue& value);

}  // namespace velmora::regclean
