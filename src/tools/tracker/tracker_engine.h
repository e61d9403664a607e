// The tracking operation's abort flag and poll, and the snapshot files on disk:
// a buffered writer that raises on any failure and a reader that streams.
#pragma once

#include <string>
#include <string_view>

#include "platform/handles.h"
#include "tools/tracker/snapshot_text.h"

namespace velmora::tracker {

// One flag for the running tracking operation: the tracking window clears it
// when an operation starts and raises it on Abort.
void ClearAbort();
void RaiseAbort();
bool AbortRaised();

// Lets pending window messages run (at most every 10 ms), then reads the flag;
// true when it is raised or the application is ending (which raises it, so
// every later poll and the caller see the abort too).
bool CheckAbort();

// A snapshot written from scratch: created (or truncated) at construction,
// buffered, flushed by Close. Every failure raises std::runtime_error naming
// the file and the system's reason.
class SnapshotWriter : public ByteSink {
 public:
  explicit SnapshotWriter(const std::string& path);
  ~SnapshotWriter() override;
  SnapshotWriter(const SnapshotWriter&) = delete;
  SnapshotWriter& operator=(const SnapshotWriter&) = delete;

  void Write(std::string_view bytes) override;
  void Close();
  const std::string& path() const { return path_; }

 private:
  void Flush();
  std::string path_;
  FileHandle file_;
  std::string buffer_;
};

// A snapshot read from the start; raises std::runtime_error naming the file
// when it cannot be opened or read.
class SnapshotFile : public ByteSource {
 public:
  explicit SnapshotFile(const std::string& path);
  std::size_t Read(char* buffer, std::size_t size) override;

 private:
  std::string path_;
  FileHandle file_;
};

// Report entries kept in a temporary file of `folder` ("~spool....tmp") that
// the system deletes when it is closed, also when the process ends: memory
// holds only the write buffer, whatever the number of entries.
class SpoolList : public EntryList {
 public:
  explicit SpoolList(const std::string& folder);
  SpoolList(const SpoolList&) = delete;
  SpoolList& operator=(const SpoolList&) = delete;

  void Add(std::string entry) override;
  std::size_t size() const override { return count_; }
  // May be called more than once; Add may follow.
  void WriteTo(ByteSink& out) override;

 private:
  void Flush();
  std::string path_;
  FileHandle file_;
  std::string buffer_;
  std::size_t count_ = 0;
};

}  // namespace velmora::tracker
