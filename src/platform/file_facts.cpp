#include "platform/file_facts.h"

#include <map>
#include <mutex>

#include "platform/text.h"

namespace velmora {

namespace {

using QueryInformationFile = LONG(WINAPI*)(HANDLE, void* status, void* info, ULONG length, int infoClass);
constexpr int kFileInternalInformation = 6;

}  // namespace

std::optional<OpenFileFacts> FactsOfOpenFile(HANDLE h) {
  static const auto query = reinterpret_cast<QueryInformationFile>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
  FILE_STANDARD_INFO standard{};
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(h, FileStandardInfo, &standard, sizeof standard) ||
      !GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic))
    return std::nullopt;
  OpenFileFacts facts;
  facts.attributes = basic.FileAttributes;
  facts.size = std::uint64_t(standard.EndOfFile.QuadPart);
  facts.written.dwLowDateTime = DWORD(basic.LastWriteTime.QuadPart);
  facts.written.dwHighDateTime = DWORD(std::uint64_t(basic.LastWriteTime.QuadPart) >> 32);
  std::uint64_t status[2] = {};
  LARGE_INTEGER index{};
  if (query && query(h, status, &index, sizeof index, kFileInternalInformation) >= 0) {
    facts.index = std::uint64_t(index.QuadPart);
  } else {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return std::nullopt;
    facts.index = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  }
  return facts;
}

std::string VolumeRootOf(const std::string& path) {
  std::string p = path;
  if (p.rfind("\\\\?\\UNC\\", 0) == 0) p = "\\\\" + p.substr(8);
  else if (p.rfind("\\\\?\\", 0) == 0) p = p.substr(4);
  if (p.size() >= 3 && p[1] == ':' && p[2] == '\\') return UpperCase(p.substr(0, 3));
  if (p.rfind("\\\\", 0) == 0) {
    const std::size_t server = p.find('\\', 2);
    if (server == std::string::npos) return {};
    const std::size_t share = p.find('\\', server + 1);
    return UpperCase(share == std::string::npos ? p + "\\" : p.substr(0, share + 1));
  }
  return {};
}

VolumeFacts VolumeFactsOf(const std::string& path) {
  static std::mutex mutex;
  static std::map<std::string, VolumeFacts> known;
  const std::string root = VolumeRootOf(path);
  if (root.empty()) return {};
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (const auto it = known.find(root); it != known.end()) return it->second;
  }
  VolumeFacts facts;
  const std::wstring w = Widen(root);
  const UINT type = root[0] == '\\' ? DRIVE_REMOTE : GetDriveTypeW(w.c_str());
  facts.trusted = type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_CDROM || type == DRIVE_RAMDISK;
  DWORD serial = 0;
  if (GetVolumeInformationW(w.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) facts.serial = serial;
  if (type == DRIVE_FIXED) {
    std::lock_guard<std::mutex> lock(mutex);
    known.emplace(root, facts);
  }
  return facts;
}

}  // namespace velmora
