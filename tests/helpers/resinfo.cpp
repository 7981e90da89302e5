// Test helper: prints what a program's resources declare, one fact a line:
//   icon-group <name>            for the named icon group, with its image count and sizes
//   icon <width> <bytes> png|bmp for each image of that group
//   manifest <text>              the application manifest (id 1), on one line
//   version <a.b.c.d>            the file version of the version resource
// Usage: resinfo <program> <icon group name>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colors, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct GroupIconHeader {
  WORD reserved, type, count;
};
#pragma pack(pop)

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HMODULE program = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!program) return 1;
  if (HRSRC group = FindResourceW(program, argv[2], RT_GROUP_ICON)) {
    const auto* header = static_cast<const GroupIconHeader*>(LockResource(LoadResource(program, group)));
    std::printf("icon-group %ls %u\n", argv[2], header->count);
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(header + 1);
    for (WORD i = 0; i < header->count; ++i) {
      HRSRC icon = FindResourceW(program, MAKEINTRESOURCEW(entries[i].id), RT_ICON);
      const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(program, icon)));
      const bool png = bytes && std::memcmp(bytes, "\x89PNG", 4) == 0;
      std::printf("icon %u %lu %s\n", entries[i].width ? entries[i].width : 256u,
                  static_cast<unsigned long>(SizeofResource(program, icon)), png ? "png" : "bmp");
    }
  }
  if (HRSRC manifest = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    std::string text(static_cast<const char*>(LockResource(LoadResource(program, manifest))),
                     SizeofResource(program, manifest));
    for (char& c : text)
      if (c == '\r' || c == '\n') c = ' ';
    std::printf("manifest %s\n", text.c_str());
  }
  if (HRSRC version = FindResourceW(program, MAKEINTRESOURCEW(1), RT_VERSION)) {
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(program, version)));
    const DWORD size = SizeofResource(program, version);
    for (DWORD i = 0; i + sizeof(VS_FIXEDFILEINFO) <= size; ++i) {
      VS_FIXEDFILEINFO info;
      std::memcpy(&info, data + i, sizeof info);
      if (info.dwSignature != 0xFEEF04BD) continue;
      std::printf("version %u.%u.%u.%u\n", unsigned{HIWORD(info.dwFileVersionMS)},
                  unsigned{LOWORD(info.dwFileVersionMS)}, unsigned{HIWORD(info.dwFileVersionLS)},
                  unsigned{LOWORD(info.dwFileVersionLS)});
      break;
    }
  }
  FreeLibrary(program);
  return 0;
}
