#include "tools/tracker/tracker_engine.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "platform/files.h"
#include "platform/text.h"
#include "ui/app.h"

namespace velmora::tracker {

namespace {

bool abortFlag = false;

std::string Reason() { return SystemErrorText(GetLastError()); }

}  // namespace

void ClearAbort() { abortFlag = false; }
void RaiseAbort() { abortFlag = true; }
bool AbortRaised() { return abortFlag; }

bool CheckAbort() {
  static ui::MessagePump pump;
  pump();
  if (ui::Terminated()) abortFlag = true;
  return abortFlag;
}

SnapshotWriter::SnapshotWriter(const std::string& path) : path_(path) {
  file_.reset(CreateFileW(LongPathW(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file_) throw std::runtime_error("Cannot create the snapshot file \"" + path + "\": " + Reason());
  buffer_.reserve(1 << 16);
}

SnapshotWriter::~SnapshotWriter() {
  // An operation that failed elsewhere still leaves whole lines behind.
  if (file_) try {
      Flush();
    } catch (...) {
    }
}

void SnapshotWriter::Write(std::string_view bytes) {
  buffer_.append(bytes);
  if (buffer_.size() >= (1 << 16)) Flush();
}

void SnapshotWriter::Flush() {
  std::string_view rest = buffer_;
  while (!rest.empty()) {
    DWORD written = 0;
    const DWORD chunk = DWORD(std::min<std::size_t>(rest.size(), 1u << 30));
    if (!WriteFile(file_.get(), rest.data(), chunk, &written, nullptr) || written == 0) {
      const std::string reason = Reason();
      buffer_.clear();
      throw std::runtime_error("Cannot write the snapshot file \"" + path_ + "\": " + reason);
    }
    rest.remove_prefix(written);
  }
  buffer_.clear();
}

void SnapshotWriter::Close() {
  if (!file_) return;
  Flush();
  file_.reset();
}

SnapshotFile::SnapshotFile(const std::string& path) : path_(path) {
  file_.reset(CreateFileW(LongPathW(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file_) throw std::runtime_error("Cannot open the snapshot file \"" + path + "\": " + Reason());
}

std::size_t SnapshotFile::Read(char* buffer, std::size_t size) {
  DWORD got = 0;
  if (!ReadFile(file_.get(), buffer, DWORD(std::min<std::size_t>(size, 1u << 30)), &got, nullptr))
    throw std::runtime_error("Cannot read the snapshot file \"" + path_ + "\": " + Reason());
  return got;
}

SpoolList::SpoolList(const std::string& folder) {
  static unsigned serial = 0;
  for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
    path_ = folder + "~spool" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial) + ".tmp";
    file_.reset(CreateFileW(LongPathW(path_).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file_ && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  if (!file_) throw std::runtime_error("Cannot create the work file \"" + path_ + "\": " + Reason());
  buffer_.reserve(1 << 16);
}

void SpoolList::Add(std::string entry) {
  buffer_ += entry;
  buffer_ += "\r\n";
  ++count_;
  if (buffer_.size() >= (1 << 16)) Flush();
}

void SpoolList::Flush() {
  std::string_view rest = buffer_;
  while (!rest.empty()) {
    DWORD written = 0;
    if (!WriteFile(file_.get(), rest.data(), DWORD(std::min<std::size_t>(rest.size(), 1u << 30)), &written,
                   nullptr) ||
        written == 0) {
      const std::string reason = Reason();
      buffer_.clear();
      throw std::runtime_error("Cannot write the work file \"" + path_ + "\": " + reason);
    }
    rest.remove_prefix(written);
  }
  buffer_.clear();
}

void SpoolList::WriteTo(ByteSink& out) {
  Flush();
  LARGE_INTEGER zero{}, end{};
  if (!SetFilePointerEx(file_.get(), zero, &end, FILE_CURRENT) || !SetFilePointerEx(file_.get(), zero, nullptr, FILE_BEGIN))
    throw std::runtime_error("Cannot read the work file \"" + path_ + "\": " + Reason());
  std::string chunk(1 << 16, '\0');
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file_.get(), chunk.data(), DWORD(chunk.size()), &got, nullptr))
      throw std::runtime_error("Cannot read the work file \"" + path_ + "\": " + Reason());
    if (got == 0) break;
    out.Write(std::string_view(chunk.data(), got));
  }
  SetFilePointerEx(file_.get(), end, nullptr, FILE_BEGIN);
}

}  // namespace velmora::tracker
