#include "tools/tracker/reg_snapshot.h"


namespace velmora::tracker {

namespace {

constexpr unsigned kTypeBase = 50;
constexpr unsigned kFolded = 16;
constexpr std::uint32_t kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4, kDwordBigEndian = 5;
// The highest type whose folded character still fits a byte; types above it
// (device property types 0xFFFF00xx) are stored with REG_BINARY's characters.
constexpr std::uint32_t kLastOwnType = 255 - kTypeBase - kFolded;

char TypeChar(std::uint32_t type, bool folded) {
  const std::uint32_t t = type > kLastOwnType ? kBinary : type;
  return char(kTypeBase + t + (folded ? kFolded : 0));
}

// Data of 32K or more is not tracked; above 16 bytes it is folded into 16.
RegValueText HexForm(std::uint32_t type, std::string_view data) {
  if (data.size() >= 32768) return {TypeChar(type, false), std::string(kOverLimitText)};
  std::string bytes(data);
  const bool folded = bytes.size() > 16;
  if (folded) {
    for (std::size_t i = 16; i < bytes.size(); ++i) bytes[i % 16] = char(bytes[i % 16] ^ bytes[i]);
    bytes.resize(16);
  }
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i) text += ',';
    text += digits[(unsigned char)bytes[i] >> 4];
    text += digits[(unsigned char)bytes[i] & 15];
  }
  return {TypeChar(type, folded), text};
}

// The first four bytes as a signed number; bytes a short value lacks read as 0.
std::int32_t FourBytes(std::string_view data, bool bigEndian) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    const std::uint32_t b = std::size_t(i) < data.size() ? (unsigned char)data[i] : 0;
    v |= b << (bigEndian ? 8 * (3 - i) : 8 * i);
  }
  return std::int32_t(v);
}

int RootRank(std::string_view root) {
  if (root == "HKEY_USERS") return 0;
  if (root == "HKEY_LOCAL_MACHINE") return 1;
  return -1;
}

std::string Quoted(const std::string& path, const std::string& text) { return path + "=\"" + text + "\""; }

}  // namespace

RegValueText MakeValueText(std::uint32_t type, std::string_view data) {
  switch (type) {
    case kSz:
    case kExpandSz: {
      if (data.size() >= 256) return HexForm(type, data);
      std::string text(data);
      if (!text.empty() && text.back() == '\0') text.pop_back();
      return {TypeChar(type, false), LineSafe(text)};
    }
    case kDword:
    case kDwordBigEndian:
      return {TypeChar(type, false), std::to_string(FourBytes(data, type == kDwordBigEndian))};
    default:
      if (data.empty()) return {TypeChar(type, false), std::string()};
      return HexForm(type, data);
  }
}

std::string RegRootLine(std::string_view rootName) { return "00" + std::string(rootName) + "\r\n"; }

std::string RegKeyLine(unsigned level, std::string_view name) {
  return std::string(1, char(kLevelBase + level)) + "0" + LineSafe(name) + "\r\n";
}

std::string RegValueLineName(std::string_view name) { return name.empty() ? std::string("@") : LineSafe(name); }

std::string RegValueLines(unsigned level, std::string_view name, const RegValueText& value) {
  std::string lines(1, char(kLevelBase + level));
  lines += '1';
  lines += RegValueLineName(name);
  lines += "\r\n";
  lines += char(kLevelBase + level + 1);
  lines += value.typeChar;
  lines += LineSafe(value.text);
  lines += "\r\n";
  return lines;
}

std::string RegDataErrorLine(std::string_view keyPath, std::string_view name) {
  return std::string(kDataErrorPrefix) + LineSafe(keyPath) + " (" + std::string(name) + ")\r\n";
}

bool EntersKey(unsigned keyLevel) { return kLevelBase + keyLevel + 2 <= kMaxLevel; }

bool RegSnapshotReader::Next() {
  if (atEnd_) return false;
  if (!lines_.Next(line_)) {
    atEnd_ = true;
    return false;
  }
  if (line_.rfind(kDataErrorPrefix, 0) == 0) {
    ReadDataError();
    return true;
  }
  if (line_.rfind("ERROR GETTING ", 0) == 0) lines_.Fail("the recording failed here (" + line_ + ")");
  unreadable_ = false;
  if (line_.size() < 2) lines_.Fail("a line too short for a level and a kind");
  const unsigned char c = (unsigned char)line_[0];
  text_.clear();
  if (c == kLevelBase) {
    rootRank_ = line_[1] == '0' ? RootRank(std::string_view(line_).substr(2)) : -1;
    if (rootRank_ < 0) lines_.Fail("a root line other than \"00HKEY_USERS\" or \"00HKEY_LOCAL_MACHINE\"");
    parts_.assign(1, line_.substr(2));
    isValue_ = false;
    typeChar_ = '0';
    return true;
  }
  if (c < kLevelBase) lines_.Fail("a level below 1");
  if (parts_.empty()) lines_.Fail("a key or value before any root line");
  const unsigned level = c - kLevelBase;
  if (level > parts_.size()) lines_.Fail("a line more than one level below the one before it");
  const char kind = line_[1];
  if (kind != '0' && kind != '1') lines_.Fail("a kind that is neither \"0\" (key) nor \"1\" (value)");
  parts_.resize(level);
  parts_.push_back(line_.substr(2));
  isValue_ = kind == '1';
  typeChar_ = kind;
  if (isValue_) {
    if (!lines_.Next(line_) || line_.size() < 2 || (unsigned char)line_[0] != c + 1 ||
        (unsigned char)line_[1] <= '1')
      lines_.Fail("a value name line without its data line", std::string(kCorruptRegistryData));
    typeChar_ = line_[1];
    text_.assign(line_, 2);
  }
  return true;
}

void RegSnapshotReader::ReadDataError() {
  if (parts_.empty()) lines_.Fail("an error line before any root line");
  // Values come first in their key, so the value belongs to the record just
  // read: that key itself, or the key of the value before.
  const std::size_t keyParts = isValue_ ? parts_.size() - 1 : parts_.size();
  const std::string key = Join(keyParts);
  const std::string_view rest = std::string_view(line_).substr(kDataErrorPrefix.size());
  if (rest.size() < key.size() + 3 || rest.compare(0, key.size(), key) != 0 ||
      rest.substr(key.size(), 2) != " (" || rest.back() != ')')
    lines_.Fail("an error line that does not name the key it stands in");
  parts_.resize(keyParts);
  parts_.emplace_back(rest.substr(key.size() + 2, rest.size() - key.size() - 3));
  isValue_ = true;
  unreadable_ = true;
  typeChar_ = char(kTypeBase);
  text_ = std::string(kDataErrorText);
}

std::string RegSnapshotReader::Join(std::size_t count) const {
  std::string path;
  for (std::size_t i = 0; i < count; ++i) {
    if (i) path += '\\';
    path += parts_[i];
  }
  return path;
}

void MergeRegSnapshots(RegSnapshotReader& before, RegSnapshotReader& after, RegChanges& changes,
                       const ProgressReceiver& progress, const AbortPoll& abort) {
  changes = RegChanges{};
  MemoryList keysAdded(changes.keysAdded), keysDeleted(changes.keysDeleted), valuesChanged(changes.valuesChanged),
      valuesAdded(changes.valuesAdded), valuesDeleted(changes.valuesDeleted);
  MergeRegSnapshots(before, after, RegChangeLists{keysAdded, keysDeleted, valuesChanged, valuesAdded, valuesDeleted},
                    progress, abort);
}

void MergeRegSnapshots(RegSnapshotReader& before, RegSnapshotReader& after, const RegChangeLists& changes,
                       const ProgressReceiver& progress, const AbortPoll& abort) {
  before.Next();
  after.Next();
  for (;;) {
    if (abort && abort()) return;
    if (progress && !before.atEnd() && before.level() <= 2) progress("Comparing Registry keys:", before.Path());
    if (before.atEnd() && after.atEnd()) return;
    // Pre-order with values before sub-keys: the deeper record comes first;
    // records of one level meet only under one parent, where a value comes
    // before any key and names decide among their own kind. An exhausted side
    // sorts after everything.
    int order;
    if (before.atEnd())
      order = 1;
    else if (after.atEnd())
      order = -1;
    else if (before.level() != after.level())
      order = before.level() > after.level() ? -1 : 1;
    else if (before.level() == 0)
      order = before.rootRank() - after.rootRank();
    else if (before.isValue() != after.isValue())
      order = before.isValue() ? -1 : 1;
    else
      order = NameOrder(before.name(), after.name());
    if (order < 0) {
      if (before.isValue())
        changes.valuesDeleted.Add(Quoted(before.Path(), before.text()));
      else
        changes.keysDeleted.Add(before.Path());
      before.Next();
    } else if (order > 0) {
      if (after.isValue())
        changes.valuesAdded.Add(Quoted(after.Path(), after.text()));
      else
        changes.keysAdded.Add(after.Path());
      after.Next();
    } else {
      const bool unknown = before.unreadable() || after.unreadable();
      if (before.isValue() && !(before.unreadable() && after.unreadable()) &&
          (unknown || before.text() != after.text())) {
        changes.valuesChanged.Add(before.Parent());
        const unsigned code = (unsigned char)before.typeChar() - kTypeBase;
        const std::string& name = before.name();
        if (code < kFolded || unknown)
          changes.valuesChanged.Add("Value \"" + name + "\": from \"" + before.text() + "\" to \"" + after.text() +
                                    "\"");
        else if (code - kFolded == kSz || code - kFolded == kExpandSz)
          changes.valuesChanged.Add("Value \"" + name + "\": string data changed");
        else
          changes.valuesChanged.Add("Value \"" + name + "\": binary data changed");
      }
      before.Next();
      after.Next();
    }
  }
}

}  // namespace velmora::tracker
