#include "platform/files.h"

#include <windows.h>

#include <vector>

#include "core/text.h"

namespace files {
namespace {

// Until the host installs its hooks, pages are read from disk.
void* WKE_CALL DiskOpen(const char* name) {
  HANDLE h =
      CreateFileW(text::Utf8ToWide(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}
void WKE_CALL DiskClose(void* h) {
  if (h) CloseHandle(h);
}
unsigned WKE_CALL DiskSize(void* h) { return h ? GetFileSize(h, nullptr) : 0; }
int WKE_CALL DiskRead(void* h, void* buffer, unsigned count) {
  DWORD got = 0;
  if (!h || !ReadFile(h, buffer, count, &got, nullptr)) return 0;
  return static_cast<int>(got);
}
int WKE_CALL DiskSeek(void* h, int offset, int origin) {
  return h ? static_cast<int>(SetFilePointer(h, offset, nullptr, static_cast<DWORD>(origin))) : -1;
}

struct Hooks {
  wkeFileOpen open = DiskOpen;
  wkeFileClose close = DiskClose;
  wkeFileSize size = DiskSize;
  wkeFileRead read = DiskRead;
  wkeFileSeek seek = DiskSeek;
};
Hooks hooks;

std::string SchemeOf(const std::string& s) {
  size_t colon = s.find(':');
  if (colon == std::string::npos || colon < 2) return {};
  for (size_t i = 0; i < colon; ++i) {
    char c = s[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
          c == '.'))
      return {};
  }
  return text::AsciiLower(s.substr(0, colon));
}

// Removes "." and ".." segments from a path that uses sep as separator.
std::string NormalizeSegments(const std::string& path, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  bool leading = !path.empty() && path[0] == sep;
  while (start <= path.size()) {
    size_t end = path.find(sep, start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty() && parts.back() != "..") parts.pop_back();
      else if (!leading) parts.push_back(part);
    } else if (part != "." && !(part.empty() && end != path.size())) {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string out = leading ? std::string(1, sep) : std::string();
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out.push_back(sep);
    out += parts[i];
  }
  return out;
}

}  // namespace

void SetHooks(wkeFileOpen open, wkeFileClose close, wkeFileSize size, wkeFileRead read, wkeFileSeek seek) {
  if (!open || !close || !read) return;
  wkeFileSize noSize = [](void*) -> unsigned { return 0; };
  wkeFileSeek noSeek = [](void*, int, int) -> int { return -1; };
  hooks = Hooks{open, close, size ? size : noSize, read, seek ? seek : noSeek};
}

void ResetHooks() { hooks = Hooks{}; }

std::optional<std::string> Read(const std::string& name) {
  void* h = hooks.open(name.c_str());
  if (!h) return std::nullopt;
  std::string data;
  unsigned size = hooks.size(h);
  if (size > 0 && size < (256u << 20)) data.reserve(size);
  char buffer[16384];
  for (;;) {
    int got = hooks.read(h, buffer, sizeof buffer);
    if (got <= 0) break;
    data.append(buffer, static_cast<size_t>(got));
  }
  hooks.close(h);
  return data;
}

bool IsUrl(const std::string& name) {
  std::string scheme = SchemeOf(name);
  return scheme == "http" || scheme == "https" || scheme == "file";
}

std::string Resolve(const std::string& base, const std::string& refIn) {
  std::string ref(text::Trim(refIn));
  if (ref.empty()) return base;
  if (SchemeOf(ref).size() > 1) return ref;  // absolute URL (one letter would be a drive)
  if (IsUrl(base)) {
    std::string scheme = SchemeOf(base);
    size_t hostStart = base.find("//");
    hostStart = hostStart == std::string::npos ? scheme.size() + 1 : hostStart + 2;
    size_t pathStart = base.find('/', hostStart);
    std::string origin = pathStart == std::string::npos ? base : base.substr(0, pathStart);
    std::string path = pathStart == std::string::npos ? "/" : base.substr(pathStart);
    path = path.substr(0, path.find_first_of("?#"));
    if (ref.rfind("//", 0) == 0) return scheme + ":" + ref;
    std::string suffix;
    size_t q = ref.find_first_of("?#");
    if (q != std::string::npos) {
      suffix = ref.substr(q);
      ref.resize(q);
    }
    std::string joined = ref.empty() ? path : ref[0] == '/' ? ref : path.substr(0, path.rfind('/') + 1) + ref;
    return origin + NormalizeSegments(joined, '/') + suffix;
  }
  // A file name: the reference is relative to the page's folder inside the package or disk.
  ref = ref.substr(0, ref.find_first_of("?#"));
  if (ref.size() >= 2 && ref[1] == ':') return ref;  // a drive path
  if (ref[0] == '/' || ref[0] == '\\') return NormalizeSegments(ref.substr(1), '/');
  size_t slash = base.find_last_of("/\\");
  std::string dir = slash == std::string::npos ? std::string() : base.substr(0, slash + 1);
  char sep = slash == std::string::npos ? '/' : base[slash];
  for (char& c : ref) {
    if (c == '/' || c == '\\') c = sep;
  }
  return NormalizeSegments(dir + ref, sep);
}

}  // namespace files
