#pragma once
// Owners of Win32 handles.
#include <windows.h>

#include <utility>

namespace win {

class File {
 public:
  File() = default;
  explicit File(HANDLE h) : h_(h) {}
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& o) noexcept : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)) {}
  ~File() { if (valid()) CloseHandle(h_); }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

class Window {
 public:
  Window() = default;
  explicit Window(HWND h) : h_(h) {}
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  ~Window() { reset(); }
  void reset(HWND h = nullptr) {
    if (h_) DestroyWindow(h_);
    h_ = h;
  }
  HWND get() const { return h_; }

 private:
  HWND h_ = nullptr;
};

}  // namespace win
