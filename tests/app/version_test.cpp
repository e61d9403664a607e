// One version for the whole suite: the project version in both programs'
// version resources (strings and numbers) and in the help window's About text.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "platform/services.h"
#include "platform/text.h"
#include "platform/version_info.h"
#include "shell/help_window.h"
#include "velmora_version.h"

using namespace velmora;

namespace {

// The numbers of the fixed part of the version resource: file and product.
std::vector<DWORD> FixedVersion(const std::string& file) {
  const std::wstring path = Widen(file);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  std::vector<BYTE> data(size);
  if (!size || !GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info) return {};
  return {info->dwFileVersionMS, info->dwFileVersionLS, info->dwProductVersionMS, info->dwProductVersionLS};
}

}  // namespace

TEST(SuiteVersion, BothProgramsAndTheAboutTextShowTheProjectVersion) {
  const DWORD ms = MAKELONG(VELMORA_VERSION_MINOR, VELMORA_VERSION_MAJOR);
  const DWORD ls = MAKELONG(0, VELMORA_VERSION_PATCH);
  for (const char* exe : {"Quorvel.exe", "Tallowin.exe"}) {
    const std::string file = RealServices().programFolder() + exe;
    EXPECT_EQ(VELMORA_VERSION, GetVersionString(file, "FileVersion")) << exe;
    EXPECT_EQ(VELMORA_VERSION, GetVersionString(file, "ProductVersion")) << exe;
    EXPECT_EQ((std::vector<DWORD>{ms, ls, ms, ls}), FixedVersion(file)) << exe;
  }
  EXPECT_NE(std::string::npos, shell::AboutText().find("Version " VELMORA_VERSION "\r\n"));
}
