#include "support/fault_files.h"

#include <windows.h>
#include <winioctl.h>

#include <stdexcept>

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace velmora::test {

namespace {

FileHandle CreateNew(const std::string& path) {
  FileHandle h(CreateFileW(LongPathW(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) throw std::runtime_error("cannot create " + path + " (error " + std::to_string(GetLastError()) + ")");
  return h;
}

}  // namespace

std::string MakeSparseFile(const std::string& folder, const std::string& name, std::uint64_t size) {
  const std::string path = IncludeTrailingBackslash(folder) + name;
  const FileHandle h = CreateNew(path);
  DWORD got = 0;
  // Where the file system has no sparse files the length alone is set: Wine's
  // host file systems leave the unwritten range as a hole all the same.
  DeviceIoControl(h.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &got, nullptr);
  LARGE_INTEGER end{};
  end.QuadPart = LONGLONG(size);
  if (!SetFilePointerEx(h.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(h.get()))
    throw std::runtime_error("cannot size " + path + " to " + std::to_string(size) + " bytes");
  return path;
}

std::string MakeLongPathFile(const std::string& folder, std::size_t length, const std::string& content) {
  std::string path = IncludeTrailingBackslash(folder);
  if (length < path.size() + 20) throw std::runtime_error("the path asked for is too short for " + folder);
  // Folders of up to 100 characters while more than a name's room is left;
  // the file's name takes what remains (at least 12 characters).
  while (length - path.size() > 112) {
    const std::size_t n = std::min<std::size_t>(100, length - path.size() - 112 + 1);
    path += std::string(n, 'd');
    if (!CreateDirectoryW(LongPathW(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      throw std::runtime_error("cannot make the folder " + path);
    path += '\\';
  }
  const std::size_t nameLength = length - path.size();
  path += std::string(nameLength - 4, 'f') + ".tmp";
  const FileHandle h = CreateNew(path);
  DWORD wrote = 0;
  if (!content.empty() && !WriteFile(h.get(), content.data(), DWORD(content.size()), &wrote, nullptr))
    throw std::runtime_error("cannot write " + path);
  return path;
}

std::vector<std::string> ScriptNames(const std::string& extension) {
  return {"\xE4\xB8\x80\xE6\x99\x82\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB" + extension,  // 一時ファイル
          "\xD9\x85\xD9\x84\xD9\x81 \xD9\x85\xD8\xA4\xD9\x82\xD8\xAA" + extension,              // ملف مؤقت
          "\xF0\x9F\x97\x91\xEF\xB8\x8F junk" + extension,                                      // 🗑️ junk
          "cafe\xCC\x81" + extension};                                                          // e + combining acute
}

std::vector<std::string> MakeScriptNamedFiles(const std::string& folder, const std::string& extension,
                                              const std::string& content) {
  std::vector<std::string> out;
  for (const std::string& name : ScriptNames(extension)) {
    const std::string path = IncludeTrailingBackslash(folder) + name;
    const FileHandle h = CreateNew(path);
    DWORD wrote = 0;
    if (!content.empty() && !WriteFile(h.get(), content.data(), DWORD(content.size()), &wrote, nullptr))
      throw std::runtime_error("cannot write " + path);
    out.push_back(path);
  }
  return out;
}

}  // namespace velmora::test
