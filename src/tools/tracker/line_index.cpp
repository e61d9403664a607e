#include "tools/tracker/line_index.h"

#include <algorithm>
#include <cstring>

namespace velmora::tracker {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

}  // namespace

void LineIndex::Clear() {
  starts_.assign(1, 0);
  fed_ = longest_ = 0;
  seenText_ = finished_ = false;
  markPossible_ = true;
}

void LineIndex::AddStart(std::uint64_t start) {
  longest_ = std::max(longest_, start - starts_.back());
  starts_.push_back(start);
}

void LineIndex::Feed(std::string_view bytes) {
  if (finished_ || bytes.empty()) return;
  static const unsigned char kMark[3] = {0xEF, 0xBB, 0xBF};
  std::size_t at = 0;
  if (markPossible_ && fed_ < 3) {
    // The mark may come in pieces: its bytes are neither text nor a line.
    for (; at < bytes.size() && fed_ + at < 3; ++at)
      if ((unsigned char)bytes[at] != kMark[fed_ + at]) {
        markPossible_ = false;
        if (fed_ + at > 0) seenText_ = true;  // what looked like a mark was text
        at = 0;
        break;
      }
    if (markPossible_ && fed_ + at == 3) starts_[0] = 3;
  }
  if (!seenText_)
    seenText_ = bytes.find_first_not_of(" \t\r\n", at) != std::string_view::npos;
  const char* base = bytes.data();
  while (at < bytes.size()) {
    const void* lf = std::memchr(base + at, '\n', bytes.size() - at);
    if (!lf) break;
    const std::size_t end = std::size_t(static_cast<const char*>(lf) - base) + 1;
    AddStart(fed_ + end);
    at = end;
  }
  fed_ += bytes.size();
}

void LineIndex::Finish() {
  if (finished_) return;
  finished_ = true;
  if (fed_ > starts_.back()) AddStart(fed_);  // a last line without a line end
}

std::size_t LineIndex::LineAt(std::uint64_t offset) const {
  const auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
  if (it == starts_.begin()) return 0;
  return std::min(std::size_t(it - starts_.begin()) - 1, lineCount());
}

std::vector<std::string_view> LineIndex::SplitLines(std::string_view block) {
  std::vector<std::string_view> lines;
  while (!block.empty()) {
    std::size_t end = block.find('\n');
    std::string_view line = block.substr(0, end);
    block.remove_prefix(end == std::string_view::npos ? block.size() : end + 1);
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
  }
  return lines;
}

std::size_t FindNoCase(std::string_view hay, std::string_view needle) {
  if (needle.empty()) return 0;
  if (needle.size() > hay.size()) return std::string_view::npos;
  const char first = Lower(needle[0]);
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    if (Lower(hay[i]) != first) continue;
    std::size_t j = 1;
    while (j < needle.size() && Lower(hay[i + j]) == Lower(needle[j])) ++j;
    if (j == needle.size()) return i;
  }
  return std::string_view::npos;
}

}  // namespace velmora::tracker
