// What the tracker's three snapshot formats share: CR LF lines read from a
// byte stream with their line numbers, the error a damaged snapshot raises,
// the progress receiver, the one name order, and the status-line path.
//
// Window-free and free of Win32 headers, so the parsers built on it can be
// built natively and fuzzed. Text is UTF-8; level, signature and type
// characters are raw bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::tracker {

// Two texts for the tracking window's two status lines: a caption and a detail.
using ProgressReceiver = std::function<void(const std::string& caption, const std::string& detail)>;
// Asked at every folder, key or record; true when the work is to stop.
using AbortPoll = std::function<bool()>;

// A snapshot that cannot be read: the message names the file and the line.
class SnapshotError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` bytes into `buffer`; 0 at the end. Raises on a read failure.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

class StringSource : public ByteSource {
 public:
  explicit StringSource(std::string bytes) : bytes_(std::move(bytes)) {}
  std::size_t Read(char* buffer, std::size_t size) override;

 private:
  std::string bytes_;
  std::size_t pos_ = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Raises when the bytes cannot be written.
  virtual void Write(std::string_view bytes) = 0;
};

class StringSink : public ByteSink {
 public:
  void Write(std::string_view bytes) override { text.append(bytes); }
  std::string text;
};

// A list of report entries in the order a merge or a walk finds them. The
// tracking window keeps its lists in spool files (memory does not grow with
// the number of differences); MemoryList keeps them in a vector.
class EntryList {
 public:
  virtual ~EntryList() = default;
  virtual void Add(std::string entry) = 0;
  virtual std::size_t size() const = 0;
  bool empty() const { return size() == 0; }
  // Each entry followed by CR LF, in the order added.
  virtual void WriteTo(ByteSink& out) = 0;
};

class MemoryList : public EntryList {
 public:
  explicit MemoryList(std::vector<std::string>& entries) : entries_(&entries), view_(&entries) {}
  // A list only to be written out: Add raises std::logic_error.
  explicit MemoryList(const std::vector<std::string>& entries) : view_(&entries) {}
  void Add(std::string entry) override;
  std::size_t size() const override { return view_->size(); }
  void WriteTo(ByteSink& out) override;

 private:
  std::vector<std::string>* entries_ = nullptr;
  const std::vector<std::string>* view_;
};

// Lines ended by CR LF, one at a time. A stray CR or LF alone is part of its
// line; a file whose last line has no CR LF was cut short and is refused.
class LineReader {
 public:
  LineReader(ByteSource& source, std::string fileName);
  // The next line without its CR LF; false at the end of the file.
  bool Next(std::string& line);
  std::size_t lineNumber() const { return line_; }
  const std::string& fileName() const { return fileName_; }
  // Raises SnapshotError: prefix + the file + the current line number + what.
  [[noreturn]] void Fail(const std::string& what, const std::string& prefix = "Damaged snapshot") const;

 private:
  bool Fill();
  ByteSource& source_;
  std::string fileName_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0, end_ = 0, line_ = 0;
  bool eof_ = false;
};

// The one order of names in every snapshot: the suite's case-insensitive
// ordinal comparison, bytes deciding between names it finds equal (so a
// listing sorts the same way every time). -1, 0 or 1.
int NameOrder(std::string_view a, std::string_view b);
// Sorts by NameOrder of the given name; items of one name keep their order.
template <typename T, typename Name>
void SortByName(std::vector<T>& items, Name name);

// A name as a snapshot line can hold it: CR and LF become spaces.
std::string LineSafe(std::string_view name);

// Level characters: "0" plus a depth, as one byte.
constexpr unsigned char kLevelBase = '0';
constexpr unsigned kMaxLevel = 255;  // the last byte value a level can take

// The status-line form of a path: at most 30 characters, the file name kept
// and the middle folders replaced by "..".
std::string ShortenPath(const std::string& path);

// Case-insensitive (ASCII) search, for fixed ASCII markers in arbitrary text.
bool ContainsAsciiNoCase(std::string_view text, std::string_view marker);

// --- implementation of the template ---
template <typename T, typename Name>
void SortByName(std::vector<T>& items, Name name) {
  std::stable_sort(items.begin(), items.end(), [&](const T& a, const T& b) { return NameOrder(name(a), name(b)) < 0; });
}

}  // namespace velmora::tracker
