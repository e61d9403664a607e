// What the registry cleaner's walks share: an owned raw key handle and the
// conversions between the registry's UTF-16 and char16_t text.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace velmora::regclean {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "registry names are UTF-16");

inline std::wstring W(std::u16string_view text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}
inline std::u16string U16(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

// An open registry key, closed with the object.
class Key {
 public:
  Key() = default;
  explicit Key(HKEY k) : k_(k) {}
  ~Key() {
    if (k_) RegCloseKey(k_);
  }
  Key(Key&& o) noexcept : k_(o.k_) { o.k_ = nullptr; }
  Key& operator=(Key&& o) noexcept {
    if (this != &o) {
      if (k_) RegCloseKey(k_);
      k_ = o.k_;
      o.k_ = nullptr;
    }
    return *this;
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return k_; }
  explicit operator bool() const { return k_ != nullptr; }

 private:
  HKEY k_ = nullptr;
};

}  // namespace velmora::regclean
