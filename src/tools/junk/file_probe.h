// What the junk scan must know of a found file beyond its listing, gathered
// with one opening of the file: whether it is in use, when it was last read,
// and whether it starts like a program or an icon file. Opening a file is the
// dearest step of the scan, so it is done once, and by a second thread
// (ProbeQueue) while the walk goes on.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "scan/file_list_view.h"

namespace velmora::junk {

struct FileProbe {
  bool exists = false;  // the file was there to look up
  // Its size, attributes and last write when looked up, and whether it starts
  // with "MZ" (may hold icons and a version): what the file list needs.
  scan::KnownFile file;
  // Opened for reading and writing with no sharing: nobody else has it open.
  // A read-only file never is (as FileIsLocked: Windows refuses it the writing).
  bool exclusive = false;
  // Last access as a local date-time, put back after the look; 0, a date long
  // past, when the file could not be opened that way (as GetFileLastAccess).
  double lastAccess = 0;
  bool iconFile = false;  // starts as an icon file
};

FileProbe ProbeFile(const std::string& path);

// Probes files on a thread of its own, in the order they were pushed; the
// window takes the results back on its own thread. The owner must not be
// destroyed while Drain runs a handler.
class ProbeQueue {
 public:
  struct Job {
    std::string path;
    bool zeroPass = false;  // found by the zero-length pass
  };
  struct Done {
    Job job;
    FileProbe probe;
  };

  // The probing function is replaceable for tests.
  explicit ProbeQueue(std::function<FileProbe(const Job&)> probe = DefaultProbe);
  ~ProbeQueue();  // waits for the file being probed, drops the rest
  ProbeQueue(const ProbeQueue&) = delete;
  ProbeQueue& operator=(const ProbeQueue&) = delete;

  // Adds the jobs (and empties `jobs`); first waits while kMaxWaiting jobs
  // are still unprobed, so a stop never has far to catch up. Handing jobs over
  // in batches keeps the worker's wake-ups few.
  void Push(std::vector<Job>& jobs);
  // Hands every finished job, in push order, to `take`; with `all`, first waits
  // until every pushed job is finished. `take` runs on the calling thread.
  void Drain(bool all, const std::function<void(Done&)>& take);
  // Pushed and not yet taken.
  std::size_t pending() const;

  static constexpr std::size_t kMaxWaiting = 256;

 private:
  static FileProbe DefaultProbe(const Job& job);
  void Work();

  std::function<FileProbe(const Job&)> probe_;
  // Each side is woken only when it sleeps: under Wine every wake-up is a
  // round trip to the server, and a scan pushes thousands of jobs.
  mutable std::mutex mutex_;
  std::condition_variable work_;      // the worker waits for jobs
  std::condition_variable finished_;  // the window waits for room or results
  std::deque<Job> waiting_;
  std::deque<Done> done_;
  bool busy_ = false;           // the worker holds a job
  bool workerAsleep_ = false;
  int windowAsleep_ = 0;
  bool quit_ = false;
  std::thread worker_;
};

}  // namespace velmora::junk
