#include "tools/tracker/snapshot_text.h"

#include <cstring>

#include "platform/text.h"

namespace velmora::tracker {

std::size_t StringSource::Read(char* buffer, std::size_t size) {
  const std::size_t n = std::min(size, bytes_.size() - pos_);
  std::memcpy(buffer, bytes_.data() + pos_, n);
  pos_ += n;
  return n;
}

void MemoryList::Add(std::string entry) {
  if (!entries_) throw std::logic_error("an entry added to a list that is only read");
  entries_->push_back(std::move(entry));
}

void MemoryList::WriteTo(ByteSink& out) {
  std::string text;
  for (const std::string& entry : *view_) {
    text += entry;
    text += "\r\n";
    if (text.size() >= (1u << 16)) {
      out.Write(text);
      text.clear();
    }
  }
  if (!text.empty()) out.Write(text);
}

LineReader::LineReader(ByteSource& source, std::string fileName)
    : source_(source), fileName_(std::move(fileName)), buffer_(1 << 16) {}

bool LineReader::Fill() {
  if (eof_) return false;
  if (pos_ > 0) {  // keep the unread part at the front
    std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // a line longer than the buffer
  const std::size_t n = source_.Read(buffer_.data() + end_, buffer_.size() - end_);
  if (n == 0) eof_ = true;
  end_ += n;
  return n > 0;
}

bool LineReader::Next(std::string& line) {
  std::size_t scan = pos_;
  for (;;) {
    const char* begin = buffer_.data() + scan;
    const void* lf = scan < end_ ? std::memchr(begin, '\n', end_ - scan) : nullptr;
    if (lf) {
      const std::size_t at = std::size_t(static_cast<const char*>(lf) - buffer_.data());
      if (at > pos_ && buffer_[at - 1] == '\r') {
        line.assign(buffer_.data() + pos_, at - 1 - pos_);
        pos_ = at + 1;
        ++line_;
        return true;
      }
      scan = at + 1;  // a line feed inside the line
      continue;
    }
    const std::size_t offset = scan - pos_;
    if (!Fill()) break;
    scan = pos_ + offset;
  }
  if (pos_ == end_) return false;
  ++line_;
  Fail("the last line has no line end (the file was cut short)");
}

void LineReader::Fail(const std::string& what, const std::string& prefix) const {
  throw SnapshotError(prefix + ": \"" + fileName_ + "\", line " + std::to_string(line_) + ": " + what + ".");
}

int NameOrder(std::string_view a, std::string_view b) {
  const int c = CompareNoCase(a, b);
  if (c != 0) return c;
  const int d = a.compare(b);
  return d < 0 ? -1 : d > 0 ? 1 : 0;
}

std::string LineSafe(std::string_view name) {
  std::string s(name);
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

namespace {

// Code points of UTF-8 text (continuation bytes are not counted).
std::size_t Length(std::string_view s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

// The first `count` code points.
std::string Head(const std::string& s, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t seen = 0; i < s.size(); ++i) {
    if (((unsigned char)s[i] & 0xC0) != 0x80 && seen++ == count) break;
  }
  return s.substr(0, i);
}

}  // namespace

std::string ShortenPath(const std::string& path) {
  constexpr std::size_t kMax = 30;
  if (Length(path) < kMax) return path;
  const std::size_t slash = path.find_last_of('\\');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t nameLength = Length(name);
  // Code points before each byte, so going up a level costs no new count:
  // a path with many levels is shortened in time linear in its length.
  std::vector<std::size_t> before(path.size() + 1, 0);
  for (std::size_t i = 0; i < path.size(); ++i)
    before[i + 1] = before[i] + ((static_cast<unsigned char>(path[i]) & 0xC0) != 0x80);
  // The folder part of the path's first `end` bytes, as a length: without the
  // last name; a drive root keeps its "\".
  auto folderPart = [&](std::size_t end) -> std::size_t {
    if (end == 0) return 0;
    const std::size_t at = path.rfind('\\', end - 1);
    if (at == std::string::npos) return 0;
    if (at == 2 && path[1] == ':') return 3;
    return at;
  };
  std::size_t folder = folderPart(path.size());
  while (before[folder] > 3 && (nameLength > 27 || before[folder] > 27 - nameLength)) {
    const std::size_t up = folderPart(folder);
    if (up == folder) break;
    folder = up;
  }
  std::string result;
  if (folder == 0)
    result = name;  // nothing to shorten but the name itself
  else if (folder == 3 && path[1] == ':' && path[2] == '\\')
    result = path.substr(0, 2) + "..\\" + name;
  else
    result = path.substr(0, folder) + "\\..\\" + name;
  if (Length(result) > kMax) result = Head(result, 27) + "...";
  return result;
}

bool ContainsAsciiNoCase(std::string_view text, std::string_view marker) {
  auto up = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; };
  if (marker.size() > text.size()) return false;
  for (std::size_t i = 0; i + marker.size() <= text.size(); ++i) {
    std::size_t j = 0;
    while (j < marker.size() && up(text[i + j]) == up(marker[j])) ++j;
    if (j == marker.size()) return true;
  }
  return marker.empty();
}

}  // namespace velmora::tracker
