#include "tools/dupes/dupe_search.h"

#include <windows.h>

#include <algorithm>

#include "platform/text.h"

namespace velmora::dupes {

BackgroundWork::BackgroundWork(std::function<void(const std::atomic<bool>&, BackgroundWork&)> work)
    : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  thread_ = std::thread([this, work = std::move(work)] {
    try {
      work(stop_, *this);
    } catch (...) {
      // Work that fails ends as if stopped: what it published stays.
      stop_ = true;
    }
    done_ = true;
    Notify();
  });
}

BackgroundWork::~BackgroundWork() {
  stop_ = true;
  Join();
  if (event_) CloseHandle(event_);
}

void BackgroundWork::Join() {
  if (thread_.joinable()) thread_.join();
}

void BackgroundWork::Notify() {
  if (event_) SetEvent(event_);
}

DupeSearch::DupeSearch(std::vector<Candidate> candidates, std::vector<std::string> upperNames,
                       std::vector<std::string> folders, SearchOptions options)
    : candidates_(std::move(candidates)),
      upperNames_(std::move(upperNames)),
      folders_(std::move(folders)),
      options_(options) {}

DupeSearch::~DupeSearch() { work_.reset(); }

void DupeSearch::Start() {
  if (work_) return;
  work_ = std::make_unique<BackgroundWork>(
      [this](const std::atomic<bool>& stop, BackgroundWork& self) { Run(stop, self); });
}

void DupeSearch::Stop() {
  if (work_) work_->Stop();
}

std::vector<FoundGroup> DupeSearch::TakeGroups() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<FoundGroup> out;
  out.swap(ready_);
  return out;
}

std::string DupeSearch::StatusText() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

std::string DupeSearch::CurrentFile() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_;
}

std::string DupeSearch::CandidatePath(std::size_t index) const {
  const Candidate& c = candidates_[index];
  return folders_[c.folder] + c.name;
}

void DupeSearch::SetStatus(std::string status, std::string file) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!status.empty()) status_ = std::move(status);
  current_ = std::move(file);
}

void DupeSearch::Publish(FoundGroup group) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ready_.push_back(std::move(group));
  }
  if (self_) self_->Notify();
}

void DupeSearch::Run(const std::atomic<bool>& stop, BackgroundWork& self) {
  self_ = &self;
  // Runs of equal keys, largest first in size mode; a run of one is no run.
  std::size_t last = candidates_.size();
  while (last > 0 && !stop) {
    std::size_t first = last - 1;
    const Candidate& c = candidates_[first];
    while (first > 0 && (options_.sizeMode ? candidates_[first - 1].size == c.size
                                           : upperNames_[first - 1] == upperNames_[first]))
      --first;
    if (last - first >= 2) {
      if (options_.sizeMode) RunOfSizes(first, last, stop);
      else RunOfNames(first, last, stop);
    }
    handled_ = candidates_.size() - first;
    last = first;
  }
}

namespace {

// Keeps the first path of each file: a later path whose identity equals an
// earlier one's is the same file (a hard link, the same folder reached
// twice) and is no copy of it. Paths that cannot be opened drop out.
std::vector<GroupFile> DistinctFiles(const std::vector<GroupFile>& files) {
  std::vector<GroupFile> out;
  for (const GroupFile& f : files) {
    if (std::none_of(out.begin(), out.end(),
                     [&](const GroupFile& o) { return OneFile(o.path, o.facts, f.path, f.facts); }))
      out.push_back(f);
  }
  return out;
}

}  // namespace

void DupeSearch::RunOfNames(std::size_t first, std::size_t last, const std::atomic<bool>& stop) {
  // Name mode reads no content; each file is counted once however many paths reach it.
  SetStatus("Comparing files named: " + upperNames_[first], CandidatePath(first));
  std::vector<GroupFile> files;
  for (std::size_t i = first; i < last && !stop; ++i) {
    GroupFile f;
    f.candidate = i;
    f.path = CandidatePath(i);
    const auto facts = FactsOf(f.path);
    if (!facts) continue;
    f.facts = *facts;
    files.push_back(std::move(f));
  }
  if (stop) return;
  FoundGroup group;
  group.size = candidates_[first].size;
  group.files = DistinctFiles(files);
  if (group.files.size() >= 2) Publish(std::move(group));
}

void DupeSearch::RunOfSizes(std::size_t first, std::size_t last, const std::atomic<bool>& stop) {
  const std::uint64_t size = candidates_[first].size;
  SetStatus(ComparingSizeText(size), CandidatePath(first));
  // Signatures narrow the run; only equal signatures are compared.
  std::vector<std::pair<std::uint32_t, std::size_t>> signatures;
  for (std::size_t i = first; i < last && !stop; ++i) {
    const Candidate& c = candidates_[i];
    std::uint32_t sig = 0;
    if (c.size != 0) sig = options_.sameTime ? PackedWriteTime(c.written) : ReadChecksumSignature(CandidatePath(i), c.size);
    signatures.push_back({sig, i});
  }
  std::stable_sort(signatures.begin(), signatures.end(), [&](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    return CompareNoCase(CandidatePath(a.second), CandidatePath(b.second)) < 0;
  });
  for (std::size_t s = 0; s < signatures.size() && !stop;) {
    std::size_t e = s + 1;
    while (e < signatures.size() && signatures[e].first == signatures[s].first) ++e;
    if (e - s >= 2) {
      // One file reached by two paths is one file: only its first path stays.
      std::vector<GroupFile> members;
      for (std::size_t k = s; k < e; ++k) {
        GroupFile f;
        f.candidate = signatures[k].second;
        f.path = CandidatePath(f.candidate);
        if (const auto facts = FactsOf(f.path)) {
          f.facts = *facts;
          members.push_back(std::move(f));
        }
      }
      members = DistinctFiles(members);
      std::vector<std::string> paths;
      for (const GroupFile& f : members) paths.push_back(f.path);
      for (const std::vector<std::size_t>& part : NarrowByContent(paths, size, stop)) {
        // Each member joins the first reference it equals or becomes one.
        std::vector<FoundGroup> groups;
        for (std::size_t m : part) {
          if (stop) return;
          GroupFile& file = members[m];
          bool placed = false;
          for (FoundGroup& g : groups) {
            const GroupFile& ref = g.files.front();
            if (options_.sameName && upperNames_[ref.candidate] != upperNames_[file.candidate]) continue;
            SetStatus({}, file.path);
            const Sameness same = comparer_.Compare(ref.path, file.path, size, &stop, &bytesRead_);
            if (same == Sameness::Stopped) return;
            if (same != Sameness::Equal) continue;
            // What the handles said at the comparison is what the proof stands on.
            g.files.front().facts = comparer_.factsA();
            file.facts = comparer_.factsB();
            file.provenWith = 0;
            g.files.push_back(file);
            placed = true;
            break;
          }
          if (!placed) {
            FoundGroup g;
            g.size = size;
            g.contentsCompared = true;
            g.files.push_back(file);
            groups.push_back(std::move(g));
          }
        }
        for (FoundGroup& g : groups)
          if (g.files.size() >= 2) Publish(std::move(g));
      }
    }
    s = e;
  }
}

std::vector<std::vector<std::size_t>> DupeSearch::NarrowByContent(const std::vector<std::string>& paths,
                                                                   std::uint64_t size, const std::atomic<bool>& stop) {
  std::vector<std::size_t> run(paths.size());
  for (std::size_t k = 0; k < run.size(); ++k) run[k] = k;
  // A pair, or empty files, are compared at once. Many files of one signature
  // that mostly differ would each be compared with every reference found so
  // far; a hash read of each file first splits them into runs of likely
  // equals, in their order, which the byte comparison then proves.
  if (run.size() <= 2 || size == 0) return {run};
  std::vector<std::pair<std::uint64_t, std::size_t>> hashed;
  for (std::size_t k = 0; k < run.size() && !stop; ++k) {
    if (const auto h = comparer_.ContentHash(paths[k], size, &stop, &bytesRead_)) hashed.push_back({*h, k});
  }
  std::stable_sort(hashed.begin(), hashed.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
  std::vector<std::vector<std::size_t>> parts;
  for (std::size_t i = 0; i < hashed.size();) {
    std::size_t j = i + 1;
    while (j < hashed.size() && hashed[j].first == hashed[i].first) ++j;
    if (j - i >= 2) {
      std::vector<std::size_t> positions;
      for (std::size_t k = i; k < j; ++k) positions.push_back(hashed[k].second);
      std::sort(positions.begin(), positions.end());
      std::vector<std::size_t> part;
      for (std::size_t pos : positions) part.push_back(run[pos]);
      parts.push_back(std::move(part));
    }
    i = j;
  }
  std::sort(parts.begin(), parts.end(), [](const auto& x, const auto& y) { return x.front() < y.front(); });
  return parts;
}

BackgroundCompare::BackgroundCompare(std::string a, std::string b, std::uint64_t size)
    : a_(std::move(a)), b_(std::move(b)), size_(size), work_([this](const std::atomic<bool>& stop, BackgroundWork&) {
        result_ = comparer_.Compare(a_, b_, size_, &stop, &bytesRead_);
      }) {}

}  // namespace velmora::dupes
