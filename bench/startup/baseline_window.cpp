// The start-up baseline: the least a Win32 program does to put one per-pixel-transparent window
// on screen (a class, a layered popup window, a 32-bit DIB section, one UpdateLayeredWindow),
// then it signals WEBSHELL_FIRST_FRAME_EVENT and waits to be ended.
#include <windows.h>

#include <cstdint>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"baseline layered window";
  RegisterClassExW(&windowClass);
  constexpr int kSize = 400;
  HWND window = CreateWindowExW(WS_EX_LAYERED, windowClass.lpszClassName, L"baseline", WS_POPUP, 100, 100, kSize, kSize,
                                nullptr, nullptr, instance, nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kSize;
  info.bmiHeader.biHeight = -kSize;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  SelectObject(memory, bitmap);
  auto* pixels = static_cast<uint32_t*>(bits);
  for (int i = 0; i < kSize * kSize; ++i) pixels[i] = 0xFF3060C0;  // opaque blue, premultiplied
  HDC screen = GetDC(window);
  SIZE size{kSize, kSize};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UpdateLayeredWindow(window, screen, nullptr, &size, memory, &source, 0, &blend, ULW_ALPHA);
  ReleaseDC(window, screen);
  wchar_t name[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"WEBSHELL_FIRST_FRAME_EVENT", name, MAX_PATH)) {
    if (HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name)) {
      SetEvent(event);
      CloseHandle(event);
    }
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
