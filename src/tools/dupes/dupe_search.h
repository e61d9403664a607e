// The duplicate finder's search engine: it turns the collected candidates into
// groups of files proven equal, on a thread of its own, so the window only
// starts it, shows its progress and takes its groups in order. It knows no
// window; Stop is a flag tested at every block read, so it is answered within
// one block of a multi-gigabyte comparison.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/dupes/dupe_files.h"
#include "tools/dupes/dupe_logic.h"

namespace velmora::dupes {

// Runs `work` on a thread of its own. `Stop` raises the flag the work tests;
// the event (a Win32 event handle) is set at each Notify and at the end, so a
// window thread can wait on it with its messages. Destruction stops and waits.
class BackgroundWork {
 public:
  explicit BackgroundWork(std::function<void(const std::atomic<bool>& stop, BackgroundWork& self)> work);
  ~BackgroundWork();
  BackgroundWork(const BackgroundWork&) = delete;
  BackgroundWork& operator=(const BackgroundWork&) = delete;
  void Stop() { stop_ = true; }
  bool StopAsked() const { return stop_; }
  bool Done() const { return done_; }
  void* event() const { return event_; }
  void Notify();
  // Waits until the work ended (for callers without messages to run).
  void Join();

 private:
  std::atomic<bool> stop_{false}, done_{false};
  void* event_ = nullptr;
  std::thread thread_;
};

struct SearchOptions {
  bool sizeMode = true;  // "Sa&me size"
  bool sameTime = true;  // "&Same date && time": the write time is the signature
  bool sameName = false; // "S&ame name"
};

// One file of a found group.
struct GroupFile {
  std::size_t candidate = 0;  // index in the search's candidates
  std::string path;
  FileFacts facts;            // as the comparison's handle (or the identity look) said
  // The index in its group of the file whose bytes this one was compared
  // with, byte for byte, in this search; -1 for none (the group's reference,
  // and every file of a name-mode group).
  int provenWith = -1;
};

struct FoundGroup {
  std::uint64_t size = 0;
  bool contentsCompared = false;
  std::vector<GroupFile> files;  // two or more distinct files
};

class DupeSearch {
 public:
  DupeSearch(std::vector<Candidate> candidates, std::vector<std::string> upperNames, std::vector<std::string> folders,
             SearchOptions options);
  ~DupeSearch();

  void Start();
  void Stop();
  bool Done() const { return work_ && work_->Done(); }
  bool Stopped() const { return work_ && work_->StopAsked(); }
  void* event() const { return work_ ? work_->event() : nullptr; }
  void Join() { if (work_) work_->Join(); }

  // The groups proven since the last call, in the order of the search.
  std::vector<FoundGroup> TakeGroups();
  std::uint64_t bytesRead() const { return bytesRead_; }
  // The run being compared ("Comparing 1,024 byte files..." or "Comparing
  // files named: X") and the file being read.
  std::string StatusText() const;
  std::string CurrentFile() const;
  // Candidates handled so far, of `candidateCount`.
  std::size_t handled() const { return handled_; }
  std::size_t candidateCount() const { return candidates_.size(); }
  const std::vector<Candidate>& candidates() const { return candidates_; }
  std::string CandidatePath(std::size_t index) const;

 private:
  void Run(const std::atomic<bool>& stop, BackgroundWork& self);
  void RunOfNames(std::size_t first, std::size_t last, const std::atomic<bool>& stop);
  void RunOfSizes(std::size_t first, std::size_t last, const std::atomic<bool>& stop);
  // The run's members split into runs that may be equal (whole-file hashes), in order.
  // Positions in `paths`.
  std::vector<std::vector<std::size_t>> NarrowByContent(const std::vector<std::string>& paths, std::uint64_t size,
                                                        const std::atomic<bool>& stop);
  void Publish(FoundGroup group);
  void SetStatus(std::string status, std::string file);

  std::vector<Candidate> candidates_;
  std::vector<std::string> upperNames_, folders_;
  SearchOptions options_;
  FileComparer comparer_;  // the search thread's
  std::atomic<std::uint64_t> bytesRead_{0};
  std::atomic<std::size_t> handled_{0};
  mutable std::mutex mutex_;
  std::vector<FoundGroup> ready_;
  std::string status_, current_;
  BackgroundWork* self_ = nullptr;
  std::unique_ptr<BackgroundWork> work_;
};

// One comparison of two files on a thread of its own (a removal's proof).
class BackgroundCompare {
 public:
  BackgroundCompare(std::string a, std::string b, std::uint64_t size);
  bool Done() const { return work_.Done(); }
  void Stop() { work_.Stop(); }
  void* event() const { return work_.event(); }
  // Valid once Done.
  Sameness result() const { return result_; }
  const FileFacts& factsA() const { return comparer_.factsA(); }
  const FileFacts& factsB() const { return comparer_.factsB(); }
  std::uint64_t bytesRead() const { return bytesRead_; }

 private:
  FileComparer comparer_;
  std::atomic<std::uint64_t> bytesRead_{0};
  Sameness result_ = Sameness::Stopped;
  std::string a_, b_;
  std::uint64_t size_;
  BackgroundWork work_;  // last: started when everything above is set
};

}  // namespace velmora::dupes
