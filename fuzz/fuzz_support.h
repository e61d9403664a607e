// What the fuzz targets share: the input as text, its split into two files,
// a reader that draws small values from the input, and the check that stops
// the run (libFuzzer keeps the input that failed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace velmora::fuzz {

inline std::string_view Text(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Two files in one input: the first up to a line "----8<----", the second after it.
struct TwoFiles {
  std::string first, second;
};
inline TwoFiles SplitFiles(std::string_view in) {
  constexpr std::string_view kCut = "----8<----\n";
  const std::size_t at = in.find(kCut);
  if (at == std::string_view::npos) return {std::string(in), std::string()};
  return {std::string(in.substr(0, at)), std::string(in.substr(at + kCut.size()))};
}

// A property that must hold: its failure ends the run as a crash does.
#define FUZZ_CHECK(cond)                                                                  \
  do {                                                                                    \
    if (!(cond)) {                                                                        \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);        \
      std::abort();                                                                       \
    }                                                                                     \
  } while (0)

// Draws values from the input, front to back; zeros once it is used up.
class Draw {
 public:
  Draw(const std::uint8_t* data, std::size_t size) : p_(data), n_(size) {}
  bool empty() const { return n_ == 0; }
  std::uint8_t Byte() {
    if (!n_) return 0;
    --n_;
    return *p_++;
  }
  std::uint32_t Below(std::uint32_t limit) {  // 0 .. limit-1
    std::uint32_t v = Byte();
    if (limit > 256) v = v << 8 | Byte();
    if (limit > 65536) v = v << 8 | Byte();
    return limit ? v % limit : 0;
  }
  std::uint64_t U64() {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = v << 8 | Byte();
    return v;
  }
  // A text of up to `most` bytes: a length byte, then the bytes.
  std::string Bytes(std::size_t most) {
    const std::size_t len = Below(std::uint32_t(most + 1));
    std::string s;
    for (std::size_t i = 0; i < len && n_; ++i) s += char(Byte());
    return s;
  }
  // A text from a small alphabet (so names meet and collide), up to `most` long.
  std::string From(std::string_view alphabet, std::size_t most) {
    const std::size_t len = Below(std::uint32_t(most + 1));
    std::string s;
    for (std::size_t i = 0; i < len && n_; ++i) s += alphabet[Byte() % alphabet.size()];
    return s;
  }

 private:
  const std::uint8_t* p_;
  std::size_t n_;
};

}  // namespace velmora::fuzz
