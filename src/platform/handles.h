// Move-only owners of kernel and GDI handles.
#pragma once

#include <windows.h>

#include <utility>

namespace velmora {

template <typename Traits>
class Handle {
 public:
  using type = typename Traits::type;
  Handle() = default;
  explicit Handle(type h) : h_(h) {}
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& o) noexcept : h_(std::exchange(o.h_, Traits::invalid())) {}
  Handle& operator=(Handle&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, Traits::invalid());
    }
    return *this;
  }
  type get() const { return h_; }
  type release() { return std::exchange(h_, Traits::invalid()); }
  void reset(type h = Traits::invalid()) {
    if (h_ != Traits::invalid()) Traits::close(h_);
    h_ = h;
  }
  explicit operator bool() const { return h_ != Traits::invalid(); }

 private:
  type h_ = Traits::invalid();
};

struct KernelHandleTraits {  // handles whose "none" is null (tokens, processes, threads, events)
  using type = HANDLE;
  static type invalid() { return nullptr; }
  static void close(type h) { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile: "none" is INVALID_HANDLE_VALUE
  using type = HANDLE;
  static type invalid() { return INVALID_HANDLE_VALUE; }
  static void close(type h) { CloseHandle(h); }
};
struct FindHandleTraits {
  using type = HANDLE;
  static type invalid() { return INVALID_HANDLE_VALUE; }
  static void close(type h) { FindClose(h); }
};
template <typename T>
struct GdiObjectTraits {
  using type = T;
  static type invalid() { return nullptr; }
  static void close(type h) { DeleteObject(h); }
};
struct IconTraits {
  using type = HICON;
  static type invalid() { return nullptr; }
  static void close(type h) { DestroyIcon(h); }
};

struct MenuTraits {
  using type = HMENU;
  static type invalid() { return nullptr; }
  static void close(type h) { DestroyMenu(h); }
};
// A window the owner destroys; one that Windows destroyed first (WM_CLOSE
// reaching DefWindowProc) must be let go with release() on WM_NCDESTROY.
struct WindowTraits {
  using type = HWND;
  static type invalid() { return nullptr; }
  static void close(type h) { DestroyWindow(h); }
};

using UniqueHandle = Handle<KernelHandleTraits>;
using FileHandle = Handle<FileHandleTraits>;
using FindHandle = Handle<FindHandleTraits>;
using BitmapHandle = Handle<GdiObjectTraits<HBITMAP>>;
using BrushHandle = Handle<GdiObjectTraits<HBRUSH>>;
using FontHandle = Handle<GdiObjectTraits<HFONT>>;
using RegionHandle = Handle<GdiObjectTraits<HRGN>>;
using IconHandle = Handle<IconTraits>;
using MenuHandle = Handle<MenuTraits>;
using WindowHandle = Handle<WindowTraits>;

}  // namespace velmora
