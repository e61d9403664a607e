// Where each line of a text file starts, built from the file's bytes a piece
// at a time, so the report view shows a report of any size by reading only
// the lines in sight. Lines end with LF or CR LF; a last line without a line
// end counts once the file is finished; a UTF-8 byte-order mark is skipped.
//
// Window-free and free of Win32 headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::tracker {

class LineIndex {
 public:
  LineIndex() { Clear(); }
  void Clear();
  // The next bytes of the file, in order from its start.
  void Feed(std::string_view bytes);
  // No more bytes.
  void Finish();

  // Lines found so far (all of them once finished).
  std::size_t lineCount() const { return starts_.size() - 1; }
  std::uint64_t bytesFed() const { return fed_; }
  // The bytes of lines [first, first + count): where they start and how many
  // there are, line ends included.
  std::uint64_t Offset(std::size_t line) const { return starts_.at(line); }
  std::uint64_t RangeSize(std::size_t first, std::size_t count) const {
    return starts_.at(first + count) - starts_.at(first);
  }
  // The line holding the byte at `offset` (lineCount() past the last line).
  std::size_t LineAt(std::uint64_t offset) const;
  // True while nothing but blanks and line breaks has been seen.
  bool blank() const { return !seenText_; }
  // The longest line in bytes, its line end included.
  std::uint64_t longestLine() const { return longest_; }

  // The lines of a block read from Offset(first) with RangeSize bytes, each
  // without its line end.
  static std::vector<std::string_view> SplitLines(std::string_view block);

 private:
  void AddStart(std::uint64_t start);
  std::vector<std::uint64_t> starts_;  // line i is [starts_[i], starts_[i + 1])
  std::uint64_t fed_ = 0, longest_ = 0;
  bool seenText_ = false, finished_ = false;
  bool markPossible_ = true;  // the bytes so far may be a byte-order mark
};

// Case-insensitive (ASCII letters) search of `needle` in `hay`; npos when absent.
std::size_t FindNoCase(std::string_view hay, std::string_view needle);

}  // namespace velmora::tracker
