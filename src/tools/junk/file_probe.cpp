#include "tools/junk/file_probe.h"

#include <windows.h>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/handles.h"

namespace velmora::junk {

namespace {

void ReadHead(HANDLE h, FileProbe& probe) {
  unsigned char head[4] = {};
  DWORD got = 0;
  if (!ReadFile(h, head, sizeof head, &got, nullptr)) return;
  probe.file.program = got >= 2 && head[0] == 'M' && head[1] == 'Z';
  probe.iconFile = got == 4 && head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0;
}

}  // namespace

FileProbe ProbeFile(const std::string& path) {
  FileProbe probe;
  const std::wstring wide = LongPathW(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return probe;
  probe.exists = true;
  probe.file.size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  probe.file.attributes = data.dwFileAttributes;
  probe.file.written = data.ftLastWriteTime;

  // The read-only attribute is asked first: Wine run as root opens such a
  // file for writing, where Windows refuses.
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
    FileHandle h(CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (h) {
      probe.exclusive = true;
      FILETIME accessed{};
      const bool haveAccess = GetFileTime(h.get(), nullptr, &accessed, nullptr) != FALSE;
      if (haveAccess) probe.lastAccess = FileTimeToLocalDateTime(accessed);
      ReadHead(h.get(), probe);
      // Reading the first bytes must leave no trace.
      if (haveAccess) SetFileTime(h.get(), nullptr, &accessed, nullptr);
      return probe;
    }
  }
  // In use or read-only: the first bytes are still wanted for the icon and the
  // version columns.
  FileHandle h(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (h) ReadHead(h.get(), probe);
  return probe;
}

// ---- ProbeQueue ------------------------------------------------------------

FileProbe ProbeQueue::DefaultProbe(const Job& job) { return ProbeFile(job.path); }

ProbeQueue::ProbeQueue(std::function<FileProbe(const Job&)> probe)
    : probe_(std::move(probe)), worker_([this] { Work(); }) {}

ProbeQueue::~ProbeQueue() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    waiting_.clear();
  }
  work_.notify_all();
  worker_.join();
}

void ProbeQueue::Push(std::vector<Job>& jobs) {
  if (jobs.empty()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  if (waiting_.size() >= kMaxWaiting) {
    ++windowAsleep_;
    finished_.wait(lock, [this] { return waiting_.size() < kMaxWaiting; });
    --windowAsleep_;
  }
  for (Job& job : jobs) waiting_.push_back(std::move(job));
  jobs.clear();
  const bool wake = workerAsleep_;
  lock.unlock();
  if (wake) work_.notify_one();
}

void ProbeQueue::Drain(bool all, const std::function<void(Done&)>& take) {
  std::deque<Done> finished;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (all && !(waiting_.empty() && !busy_)) {
      ++windowAsleep_;
      finished_.wait(lock, [this] { return waiting_.empty() && !busy_; });
      --windowAsleep_;
    }
    finished.swap(done_);
  }
  // The handler runs unlocked: it may push again.
  for (Done& d : finished) take(d);
}

std::size_t ProbeQueue::pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return waiting_.size() + done_.size() + (busy_ ? 1 : 0);
}

void ProbeQueue::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (!quit_ && waiting_.empty()) {
      workerAsleep_ = true;
      work_.wait(lock, [this] { return quit_ || !waiting_.empty(); });
      workerAsleep_ = false;
    }
    if (quit_) return;
    Done d{std::move(waiting_.front()), {}};
    waiting_.pop_front();
    busy_ = true;
    lock.unlock();
    try {
      d.probe = probe_(d.job);
    } catch (...) {
      d.probe = FileProbe{};  // a file that cannot be probed is taken for gone
    }
    lock.lock();
    busy_ = false;
    done_.push_back(std::move(d));
    if (windowAsleep_) finished_.notify_all();
  }
}

}  // namespace velmora::junk
