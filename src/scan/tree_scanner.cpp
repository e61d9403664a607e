#include "scan/tree_scanner.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "platform/files.h"
#include "platform/text.h"
#include "scan/comma_text.h"

namespace velmora::scan {

namespace {

// Old file systems list the volume label as an entry with this attribute.
constexpr DWORD kVolumeLabel = 0x00000008;

// A per-folder pool larger than this is given back after its folder, so one huge
// folder does not keep its memory for the rest of the walk.
constexpr std::size_t kKeepPoolChars = 1 << 18;

void NarrowInto(std::wstring_view w, std::string& out) {
  if (w.empty()) {
    out.clear();
    return;
  }
  out.resize(w.size() * 3);  // UTF-8 needs at most three bytes per UTF-16 unit
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), out.data(), int(out.size()),
                                    nullptr, nullptr);
  out.resize(n > 0 ? std::size_t(n) : 0);
}

std::wstring CurrentFolder() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetCurrentDirectoryW(DWORD(buf.size()), buf.data());
    if (n == 0) return {};
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(n);  // n is the size needed, terminator included
  }
}

// Set for the length of one run, cleared however it ends.
// A run's two flags: set while it walks, and both clear however it ends (a
// handler that throws must not leave the next run's masks ignored).
struct WalkingFlag {
  bool& flag;
  bool& inProgress;
  WalkingFlag(bool& f, bool& progress) : flag(f), inProgress(progress) { flag = true; }
  ~WalkingFlag() {
    flag = false;
    inProgress = false;
  }
};

}  // namespace

bool EntersFolder(unsigned long attributes, unsigned long reparseTag, bool findHiddenFolders) {
  // Folders with the system attribute are never entered (the profile's links and
  // the system's own folders carry it).
  if (attributes & FILE_ATTRIBUTE_SYSTEM) return false;
  if ((attributes & FILE_ATTRIBUTE_HIDDEN) && !findHiddenFolders) return false;
  // A junction or directory symbolic link points elsewhere on the disk, some back
  // up the tree (the profile's "Application Data" junction): following one reports
  // files twice or never ends. Reparse points that are not name surrogates (cloud
  // placeholders, deduplicated folders) hold their own content and are entered;
  // a reparse point whose tag the listing did not give is taken for a link.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && (reparseTag == 0 || IsReparseTagNameSurrogate(reparseTag)))
    return false;
  return true;
}

bool ReportsFile(unsigned long attributes, bool findHiddenFiles) {
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | kVolumeLabel)) return false;
  // System and read-only files are reported; only hidden ones wait for the switch.
  return findHiddenFiles || !(attributes & FILE_ATTRIBUTE_HIDDEN);
}

// The lists of one folder: names and their upper-cased sort keys in one pool, so
// a folder costs a few allocations however many entries it has.
struct TTreeScanner::Level {
  struct Entry {
    std::uint32_t offset;  // name at pool[offset], key right after it
    std::uint32_t length;
    std::uint64_t size;
    std::uint64_t written;
    std::uint64_t accessed;
    unsigned long attributes;
  };
  std::wstring pool;
  std::vector<Entry> files, folders, recorded;
  std::size_t pathLength = 0;
  std::size_t nextFolder = 0;

  std::wstring_view Name(const Entry& e) const { return {pool.data() + e.offset, e.length}; }
  std::wstring_view Key(const Entry& e) const { return {pool.data() + e.offset + e.length, e.length}; }

  void Add(std::vector<Entry>& to, std::wstring_view name, std::wstring_view key, std::uint64_t size = 0,
           std::uint64_t written = 0, std::uint64_t accessed = 0, unsigned long attributes = 0) {
    to.push_back({std::uint32_t(pool.size()), std::uint32_t(name.size()), size, written, accessed, attributes});
    pool.append(name);
    pool.append(key);
  }

  // Sorted by key; of names equal but for case the first listed stays (ties go by
  // pool offset, which is listing order: a stable order without stable_sort's buffer).
  void SortUnique(std::vector<Entry>& list) const {
    const auto less = [this](const Entry& a, const Entry& b) {
      const int c = Key(a).compare(Key(b));
      return c < 0 || (c == 0 && a.offset < b.offset);
    };
    std::sort(list.begin(), list.end(), less);
    const auto same = [this](const Entry& a, const Entry& b) { return Key(a) == Key(b); };
    list.erase(std::unique(list.begin(), list.end(), same), list.end());
  }

  void Release() {
    files.clear();
    folders.clear();
    recorded.clear();
    if (pool.capacity() > kKeepPoolChars) {
      std::wstring().swap(pool);
      std::vector<Entry>().swap(files);
      std::vector<Entry>().swap(folders);
      std::vector<Entry>().swap(recorded);
    } else {
      pool.clear();
    }
  }
};

TTreeScanner::TTreeScanner() {
  ProcessMessages = [this] { pump_(); };
}
TTreeScanner::~TTreeScanner() = default;

std::string TTreeScanner::FileMask() const { return masks_.empty() ? std::string() : masks_.front(); }

void TTreeScanner::SetFileMask(std::string_view mask) {
  if (searchInProgress_) return;
  masks_.clear();
  AddMask(std::string(mask));
}

std::string TTreeScanner::FileMaskCommaText() const { return MakeCommaText(masks_); }

void TTreeScanner::SetFileMaskCommaText(std::string_view text) {
  if (searchInProgress_) return;
  masks_.clear();
  for (std::string& m : ParseCommaText(text)) AddMask(std::move(m));
}

void TTreeScanner::AddMask(std::string mask) {
  const auto less = [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; };
  const auto at = std::lower_bound(masks_.begin(), masks_.end(), mask, less);
  if (at != masks_.end() && CompareNoCase(*at, mask) == 0) return;  // duplicates ignored
  masks_.insert(at, std::move(mask));
}

void TTreeScanner::Report(const Event& e) {
  if (e) e(*this);
}

void TTreeScanner::SetFoundFromPath(std::size_t pathLength, std::wstring_view name) {
  scratch_.assign(path_, 0, pathLength);
  scratch_.append(name);
  NarrowInto(scratch_, fileFound_);
}

void TTreeScanner::ListFolder(Level& level) {
  listPattern_.assign(path_);
  listPattern_ += L'*';
  FolderListing listing(LongPathW(listPattern_));  // a missing or unreadable folder adds nothing
  while (listing.Next()) {
    const DWORD attrs = listing.attributes();
    const std::wstring_view name = listing.name();
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) {
      if (!EntersFolder(attrs, listing.reparseTag(), findHiddenFolders_)) continue;
      FoldName(name, folded_);
      level.Add(level.folders, name, folded_);
    } else {
      if (!ReportsFile(attrs, findHiddenFiles_)) continue;
      const std::uint64_t size = listing.size();
      const std::uint64_t written = listing.written(), accessed = listing.accessed();
      FoldName(name, folded_);
      if (record_ && keep_ && keep_(size, attrs))
        level.Add(level.recorded, name, folded_, size, written, accessed, attrs);
      if (!compiled_.MatchesFolded(folded_, folded_.rfind(L'.'))) continue;
      level.Add(level.files, name, folded_, size, written, accessed, attrs);
    }
  }

  level.SortUnique(level.files);
  level.SortUnique(level.folders);
  if (!level.recorded.empty()) level.SortUnique(level.recorded);
}

void TTreeScanner::Record(const Level& level) {
  if (!record_ || level.recorded.empty()) return;
  WalkRecord::Folder folder;
  folder.path = path_;
  folder.files.reserve(level.recorded.size());
  for (const Level::Entry& e : level.recorded)
    folder.files.push_back({std::wstring(level.Name(e)), e.size, e.attributes, e.written, e.accessed});
  record_->folders.push_back(std::move(folder));
}

void TTreeScanner::SetFoundFile(std::uint64_t size, unsigned long attributes, std::uint64_t written,
                                std::uint64_t accessed) {
  fileSize_ = size;
  fileAttributes_ = attributes;
  fileWritten_ = written;
  fileAccessed_ = accessed;
}

// Steps of one folder up to its sub-folders: the message pump, the Running test,
// the folder's report, its listing and its files. False when stopped.
bool TTreeScanner::Enter(std::size_t depth) {
  if (ProcessMessages) ProcessMessages();
  if (!Running) return false;

  SetFoundFile(0, 0, 0, 0);
  NarrowInto(path_, fileFound_);
  Report(onDirectoryFound_);

  if (levels_.size() <= depth) levels_.push_back(std::make_unique<Level>());
  Level& level = *levels_[depth];
  level.Release();
  level.pathLength = path_.size();
  level.nextFolder = 0;
  ListFolder(level);
  Record(level);

  // Running is not tested here: once the list is built, all of it is reported.
  for (const Level::Entry& e : level.files) {
    SetFoundFromPath(level.pathLength, level.Name(e));
    SetFoundFile(e.size, e.attributes, e.written, e.accessed);
    Report(onFileFound_);
  }
  SetFoundFile(0, 0, 0, 0);
  return true;
}

void TTreeScanner::SetRecording(WalkRecord* record, KeepFile keep) {
  record_ = record;
  keep_ = std::move(keep);
}

std::wstring TTreeScanner::StartFolder() const {
  // The start folder ends in exactly one "\"; a drive root such as "C:\" stays whole.
  std::wstring start = Widen(initialDirectory_);
  if (start.empty()) start = CurrentFolder();
  const std::size_t last = start.find_last_not_of(L'\\');
  return last == std::wstring::npos ? std::wstring(L"\\") : start.substr(0, last + 1) + L'\\';
}

bool TTreeScanner::CanReplay(const WalkRecord& record) const {
  if (!record.complete || record.recursive != recursive_ || record.findHiddenFiles != findHiddenFiles_ ||
      record.findHiddenFolders != findHiddenFolders_)
    return false;
  return CompareNoCase(Narrow(StartFolder()), record.root) == 0;
}

void TTreeScanner::BeginRun() {
  pump_.Reset();
  searchInProgress_ = true;
  fileFound_.clear();
  SetFoundFile(0, 0, 0, 0);
}

void TTreeScanner::Replay(const WalkRecord& record) {
  if (walking_) return;
  WalkingFlag walking{walking_, searchInProgress_};
  BeginRun();
  initialDirectory_ = record.root;
  Running = true;
  compiled_ = MaskSet(masks_);

  for (const WalkRecord::Folder& folder : record.folders) {
    if (ProcessMessages) ProcessMessages();
    if (!Running) break;
    path_ = folder.path;
    SetFoundFile(0, 0, 0, 0);
    NarrowInto(path_, fileFound_);
    Report(onDirectoryFound_);
    for (const WalkRecord::File& f : folder.files) {
      if (!ReportsFile(f.attributes, findHiddenFiles_)) continue;
      FoldName(f.name, folded_);
      if (!compiled_.MatchesFolded(folded_, folded_.rfind(L'.'))) continue;
      SetFoundFromPath(folder.path.size(), f.name);
      SetFoundFile(f.size, f.attributes, f.written, f.accessed);
      Report(onFileFound_);
    }
    SetFoundFile(0, 0, 0, 0);
    Report(onDirectoryDone_);
  }

  searchInProgress_ = false;
  walking_ = false;
  Report(onSearchDone_);
}

void TTreeScanner::Scan() {
  if (walking_) return;  // a nested run would tear the walk's own lists apart
  WalkingFlag walking{walking_, searchInProgress_};
  BeginRun();

  const std::wstring start = StartFolder();
  initialDirectory_ = Narrow(start);
  if (record_) {
    record_->root = initialDirectory_;
    record_->complete = false;
    record_->recursive = recursive_;
    record_->findHiddenFiles = findHiddenFiles_;
    record_->findHiddenFolders = findHiddenFolders_;
    record_->folders.clear();
  }

  Running = true;
  compiled_ = MaskSet(masks_);
  path_ = start;

  // Depth-first pre-order without recursion, so a deep tree cannot exhaust the stack;
  // levels_[0..depth] are the folders on the way down to the current one.
  if (Enter(0)) {
    std::size_t depth = 0;
    for (;;) {
      Level& level = *levels_[depth];
      if (level.nextFolder < level.folders.size()) {
        const Level::Entry e = level.folders[level.nextFolder++];
        path_.resize(level.pathLength);
        path_.append(level.Name(e));
        path_ += L'\\';
        if (recursive_) {
          if (Enter(depth + 1)) ++depth;
        } else {
          fileSize_ = 0;
          NarrowInto(path_, fileFound_);
          Report(onDirectoryFound_);
        }
        continue;
      }
      path_.resize(level.pathLength);
      Report(onDirectoryDone_);
      level.Release();
      if (depth == 0) break;
      --depth;
    }
  }

  // A stopped walk saw only part of the tree: its record must not stand for it.
  if (record_) record_->complete = Running;
  searchInProgress_ = false;
  walking_ = false;  // OnSearchDone may start the next run (one per drive)
  Report(onSearchDone_);
}

}  // namespace velmora::scan
