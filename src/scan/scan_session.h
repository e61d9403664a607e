// ScanSession: one tool window's scan over TTreeScanner walks (or replays),
// with the dear look at each found file (opening it) done on a second thread.
//
//   window thread:  walk -> tool's listing tests -> Add() ... batches of 64 ...
//   probing thread:                                  probe(file) in found order
//   window thread:  AtFolder()/TakeAll() -> judge(file, result) in found order
//
// The user interface stays single-threaded: the probing thread touches nothing
// but the files it is given and the queue between the two; every row, counter
// and flag is changed by `judge`, on the window's thread, in the order the walk
// found the files. Found files go over in batches (at most 64, or after 10 ms),
// and the status text is handed to `status` at most every 100 ms.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "scan/file_list_view.h"
#include "scan/tree_scanner.h"
#include "ui/app.h"

namespace velmora::scan {

// A file a walk reported, with what the listing said of it.
struct FoundFile {
  std::string path;  // exact, as on disk
  KnownFile listing;  // size, attributes, last write (`program` is not known yet)
  FILETIME accessed{};  // the listing's last access
  int pass = 0;       // the caller's tag: which of its passes found the file
};

// Runs `work` on a thread of its own over jobs handed over in batches; results
// come back on the caller's thread in the order the jobs were pushed.
template <class Job, class Result>
class OrderedWorker {
 public:
  struct Done {
    Job job;
    Result result;
  };

  // `threadState`, when given, is called first on the worker's thread and its
  // result kept until that thread's last job is done: what the work needs per
  // thread (COM, a reused object) is made and released on that thread.
  using ThreadState = std::function<std::shared_ptr<void>()>;
  explicit OrderedWorker(std::function<Result(const Job&)> work, ThreadState threadState = {})
      : work_(std::move(work)), threadState_(std::move(threadState)), thread_([this] {
          std::shared_ptr<void> state;
          try {
            if (threadState_) state = threadState_();
          } catch (...) {
            // Without it each job does without (and may fail, giving the empty result).
          }
          Work();
        }) {}
  // Waits for the job being worked on and drops the rest.
  ~OrderedWorker() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
      waiting_.clear();
    }
    workReady_.notify_all();
    thread_.join();
  }
  OrderedWorker(const OrderedWorker&) = delete;
  OrderedWorker& operator=(const OrderedWorker&) = delete;

  // Adds the jobs and empties `jobs`; first waits while kMaxWaiting jobs are
  // still waiting, so a stop never has far to catch up.
  void Push(std::vector<Job>& jobs) {
    if (jobs.empty()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    if (waiting_.size() >= kMaxWaiting) {
      ++callerAsleep_;
      finished_.wait(lock, [this] { return waiting_.size() < kMaxWaiting; });
      --callerAsleep_;
    }
    for (Job& job : jobs) waiting_.push_back(std::move(job));
    jobs.clear();
    const bool wake = workerAsleep_;
    lock.unlock();
    if (wake) workReady_.notify_one();
  }

  // Hands every finished job, in push order, to `take`; with `all`, first
  // waits until every pushed job is finished. `take` runs unlocked on the
  // calling thread and may push again.
  void Drain(bool all, const std::function<void(Done&)>& take) {
    std::deque<Done> finished;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (all && !(waiting_.empty() && !busy_)) {
        ++callerAsleep_;
        finished_.wait(lock, [this] { return waiting_.empty() && !busy_; });
        --callerAsleep_;
      }
      finished.swap(done_);
    }
    for (Done& d : finished) take(d);
  }

  // Pushed and not yet taken.
  std::size_t pending() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_.size() + done_.size() + (busy_ ? 1 : 0);
  }

  static constexpr std::size_t kMaxWaiting = 256;

 private:
  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      if (!quit_ && waiting_.empty()) {
        workerAsleep_ = true;
        workReady_.wait(lock, [this] { return quit_ || !waiting_.empty(); });
        workerAsleep_ = false;
      }
      if (quit_) return;
      Done d{std::move(waiting_.front()), Result{}};
      waiting_.pop_front();
      busy_ = true;
      lock.unlock();
      try {
        d.result = work_(d.job);
      } catch (...) {
        d.result = Result{};  // a job that fails gives the empty result
      }
      lock.lock();
      busy_ = false;
      done_.push_back(std::move(d));
      if (callerAsleep_) finished_.notify_all();
    }
  }

  std::function<Result(const Job&)> work_;
  ThreadState threadState_;
  // Each side is woken only when it sleeps: under Wine every wake-up is a
  // round trip to the server, and a scan pushes thousands of jobs.
  mutable std::mutex mutex_;
  std::condition_variable workReady_;  // the worker waits for jobs
  std::condition_variable finished_;   // the caller waits for room or results
  std::deque<Job> waiting_;
  std::deque<Done> done_;
  bool busy_ = false;
  bool workerAsleep_ = false;
  int callerAsleep_ = 0;
  bool quit_ = false;
  std::thread thread_;
};

template <class Result>
class ScanSession {
 public:
  using Probe = std::function<Result(const FoundFile&)>;  // on the probing thread
  using Judge = std::function<void(FoundFile&, Result&)>;  // on the window's thread
  using Status = std::function<void(const std::string& folder)>;

  ScanSession(Probe probe, Judge judge, Status status = {})
      : probe_(std::move(probe)), judge_(std::move(judge)), status_(std::move(status)) {}
  ScanSession(const ScanSession&) = delete;
  ScanSession& operator=(const ScanSession&) = delete;

  // Starts the probing thread; the session runs until End or the guard's end.
  // Found files that wait when it ends unjudged are dropped.
  class Running {
   public:
    explicit Running(ScanSession& s) : s_(s) { s_.Begin(); }
    ~Running() { s_.End(); }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

   private:
    ScanSession& s_;
  };

  void Begin() {
    found_.clear();
    worker_ = std::make_unique<Worker>(probe_, threadState_);
    handOver_.Reset();
    statusGate_.Reset();
  }
  void End() {
    worker_.reset();
    found_.clear();
  }
  bool active() const { return worker_ != nullptr; }
  // Per-thread state of the probing thread (see OrderedWorker), from the next Begin on.
  void SetThreadState(typename OrderedWorker<FoundFile, Result>::ThreadState state) {
    threadState_ = std::move(state);
  }

  // From a scanner's OnFileFound, for a file that passed the tool's listing
  // tests. Outside a session the file is probed and judged at once.
  void Add(const TTreeScanner& s, int pass) {
    FoundFile f;
    f.path = s.FileFound();
    f.listing.size = s.FileSize();
    f.listing.attributes = s.FileAttributes();
    f.listing.written.dwLowDateTime = DWORD(s.FileWritten());
    f.listing.written.dwHighDateTime = DWORD(s.FileWritten() >> 32);
    f.accessed.dwLowDateTime = DWORD(s.FileAccessed());
    f.accessed.dwHighDateTime = DWORD(s.FileAccessed() >> 32);
    f.pass = pass;
    if (!worker_) {
      Result r = probe_(f);
      judge_(f, r);
      return;
    }
    found_.push_back(std::move(f));
    if (found_.size() >= kBatch) HandOver();
  }

  // From a scanner's OnDirectoryFound: hands found files over, judges those
  // probed so far, and reports the folder now and then.
  void AtFolder(const TTreeScanner& s) {
    if (!found_.empty() && (found_.size() >= kBatch || handOver_.Due())) HandOver();
    Take(false);
    if (status_ && statusGate_.Due()) status_(s.FileFound());
  }

  // Hands over what waits and judges every found file; at the end of a pass
  // or a stop, so that what was found before is still listed.
  void TakeAll() { Take(true); }

  static constexpr std::size_t kBatch = 64;

 private:
  using Worker = OrderedWorker<FoundFile, Result>;

  void HandOver() {
    handOver_.Due();  // restarts the interval
    if (worker_) worker_->Push(found_);
  }
  void Take(bool all) {
    if (!worker_) return;
    if (all) HandOver();
    worker_->Drain(all, [this](typename Worker::Done& d) { judge_(d.job, d.result); });
  }

  Probe probe_;
  typename OrderedWorker<FoundFile, Result>::ThreadState threadState_;
  Judge judge_;
  Status status_;
  std::unique_ptr<Worker> worker_;
  std::vector<FoundFile> found_;
  ui::Throttle handOver_{ui::kPumpIntervalMs};
  ui::Throttle statusGate_{ui::kStatusIntervalMs};
};

}  // namespace velmora::scan
