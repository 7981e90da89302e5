#include "test_host.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>

#include "base/utf8.h"

namespace testhost {
namespace {

std::map<std::string, std::string>& Served() {
  static std::map<std::string, std::string> served;
  return served;
}

struct OpenFile {
  std::string data;
  size_t pos = 0;
};

std::wstring Wide(const std::string& s) { return text::Utf8ToWide(s); }

bool ReadAll(const std::wstring& path, std::string& out) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char buffer[8192];
  DWORD got = 0;
  out.clear();
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
  CloseHandle(h);
  return true;
}

void* WKE_CALL HookOpen(const char* name) {
  if (!name) return nullptr;
  OpenedNames().push_back(name);
  auto it = Served().find(name);
  if (it != Served().end()) return new OpenFile{it->second, 0};
  std::wstring path = PagesFolder() + L"\\" + Wide(name);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  std::string content;
  if (!ReadAll(path, content)) return nullptr;
  return new OpenFile{content, 0};
}
void WKE_CALL HookClose(void* h) { delete static_cast<OpenFile*>(h); }
unsigned WKE_CALL HookSize(void* h) { return h ? static_cast<unsigned>(static_cast<OpenFile*>(h)->data.size()) : 0; }
int WKE_CALL HookRead(void* h, void* buffer, unsigned count) {
  if (!h) return -1;
  auto* f = static_cast<OpenFile*>(h);
  size_t n = std::min<size_t>(count, f->data.size() - f->pos);
  memcpy(buffer, f->data.data() + f->pos, n);
  f->pos += n;
  return static_cast<int>(n);
}
int WKE_CALL HookSeek(void* h, int a, int b) {
  if (!h) return -1;
  auto* f = static_cast<OpenFile*>(h);
  f->pos = std::min<size_t>(static_cast<size_t>(a + b), f->data.size());
  return static_cast<int>(f->pos);
}

// Test natives.
jsValue WKE_CALL NativeRecord(jsExecState es) {
  Api& api = Engine();
  ++Seen().nativeCalls;
  std::wstring line;
  for (int i = 0; i < api.jsArgCount(es); ++i) {
    if (i) line += L"|";
    line += api.jsToStringW(es, api.jsArg(es, i));
  }
  Seen().lines.push_back(line);
  return api.jsUndefined();
}

jsValue WKE_CALL NativeProbe(jsExecState es) {
  Api& api = Engine();
  Probe p;
  p.argCount = api.jsArgCount(es);
  jsValue v = api.jsArg(es, 0);
  p.type = api.jsTypeOf(v);
  p.undefined = api.jsIsUndefined(v);
  p.asInt = api.jsToInt(es, v);
  p.asDouble = api.jsToDouble(es, v);
  p.asUtf8 = api.jsToString(es, v);
  p.asWide = api.jsToStringW(es, v);
  Seen().probes.push_back(p);
  return api.jsUndefined();
}

jsValue WKE_CALL NativeKeep(jsExecState es) {
  Api& api = Engine();
  Seen().kept.push_back(api.jsArg(es, 0));
  Seen().keptTypes.push_back(api.jsArgType(es, 0));
  Seen().keptViews.push_back(api.jsGetWebView(es));
  return api.jsInt(static_cast<int>(Seen().kept.size()) - 1);
}

// What a window record does with a callback registration: keeps one, and gives up the one it
// replaces, which nothing else here holds (firstRegistered is only looked at by tests).
jsValue WKE_CALL NativeRegister(jsExecState es) {
  Api& api = Engine();
  Record& seen = Seen();
  jsValue callback = api.jsArg(es, 0);
  if (seen.registrations > 0 && seen.registered != callback) api.jsReleaseFunction(es, seen.registered);
  if (seen.registrations++ == 0) seen.firstRegistered = callback;
  seen.registered = callback;
  return api.jsUndefined();
}

jsValue WKE_CALL NativeMakeObject(jsExecState es) {
  Api& api = Engine();
  ++Seen().nativeCalls;
  jsValue o = api.jsObject(es);
  api.jsSet(es, o, "n", api.jsArg(es, 0));
  api.jsSet(es, o, "text", api.jsString(es, "made by the host"));
  return o;
}

jsValue WKE_CALL NativeMakeList(jsExecState es) {
  Api& api = Engine();
  jsValue o = api.jsObject(es);
  int n = api.jsToInt(es, api.jsArg(es, 0));
  for (int i = 0; i < n; ++i) api.jsSetAt(es, o, i, api.jsStringW(es, (L"item" + std::to_wstring(i)).c_str()));
  return o;
}

jsValue WKE_CALL NativeEchoW(jsExecState es) {
  Api& api = Engine();
  return api.jsStringW(es, api.jsToStringW(es, api.jsArg(es, 0)));
}

jsValue WKE_CALL NativeEcho(jsExecState es) {
  Api& api = Engine();
  return api.jsString(es, api.jsToString(es, api.jsArg(es, 0)));
}

// Holds every text it was given at once, then joins them: texts must stay valid together.
jsValue WKE_CALL NativeJoinAll(jsExecState es) {
  Api& api = Engine();
  std::vector<const wchar_t*> parts;
  for (int i = 0; i < api.jsArgCount(es); ++i) parts.push_back(api.jsToStringW(es, api.jsArg(es, i)));
  std::wstring joined;
  for (const wchar_t* p : parts) joined += p;
  return api.jsStringW(es, joined.c_str());
}

jsValue WKE_CALL NativeLengthOf(jsExecState es) {
  Api& api = Engine();
  return api.jsInt(api.jsGetLength(es, api.jsArg(es, 0)));
}

jsValue WKE_CALL NativeCallNow(jsExecState es) {
  Api& api = Engine();
  jsValue args[2] = {api.jsArg(es, 1), api.jsArg(es, 2)};
  return api.jsCall(es, api.jsArg(es, 0), api.jsUndefined(), args, 2);
}

jsValue WKE_CALL NativeViewId(jsExecState es) {
  Api& api = Engine();
  return api.jsDouble(static_cast<double>(reinterpret_cast<uintptr_t>(api.jsGetWebView(es))));
}

template <class T>
void Resolve(HMODULE m, T& slot, const char* name, int& missing) {
  slot = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
  if (!slot) ++missing;
}

void ShutdownEngine() {
  Api& api = Engine();
  if (api.wkeShutdown) api.wkeShutdown();
}

}  // namespace

std::string Narrow(const std::wstring& w) { return text::WideToUtf8(w); }

std::wstring PagesFolder() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  return dir.substr(0, dir.find_last_of(L"\\/")) + L"\\pages";
}

void ServePage(const std::string& name, const std::string& content) { Served()[name] = content; }
void ClearServedPages() { Served().clear(); }

std::vector<std::string>& OpenedNames() {
  static std::vector<std::string> names;
  return names;
}

Record& Seen() {
  static Record record;
  return record;
}

void ResetSeen() { Seen() = Record{}; }

Api& Engine() {
  static Api* api = [] {
    auto* a = new Api;
    a->module = LoadLibraryW(L"wke.dll");
    if (!a->module) return a;
    int& m = a->missing;
#define WKE_RESOLVE(name, hostNeedsIt) Resolve(a->module, a->name, #name, m);
    WKE_ENTRY_POINTS(WKE_RESOLVE)
#undef WKE_RESOLVE
    if (m) return a;
    a->wkeInit();
    a->wkeSetFileSystem(HookOpen, HookClose, HookSize, HookRead, HookSeek);
    a->jsBindFunction("record", NativeRecord, 0);
    a->jsBindFunction("probe", NativeProbe, 1);
    a->jsBindFunction("keep", NativeKeep, 1);
    a->jsBindFunction("register", NativeRegister, 1);
    a->jsBindFunction("makeObject", NativeMakeObject, 1);
    a->jsBindFunction("makeList", NativeMakeList, 1);
    a->jsBindFunction("echoW", NativeEchoW, 1);
    a->jsBindFunction("echo", NativeEcho, 1);
    a->jsBindFunction("joinAll", NativeJoinAll, 0);
    a->jsBindFunction("lengthOf", NativeLengthOf, 1);
    a->jsBindFunction("callNow", NativeCallNow, 3);
    a->jsBindFunction("viewId", NativeViewId, 0);
    std::atexit(ShutdownEngine);
    return a;
  }();
  return *api;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= static_cast<DWORD>(timeoutMs)) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(10, timeoutMs - elapsed), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return true;
}

void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

View::View(int width, int height) {
  Api& api = Engine();
  view_ = api.wkeCreateWebView();
  if (view_) api.wkeResize(view_, width, height);
}

View::~View() {
  if (view_) Engine().wkeDestroyWebView(view_);
}

void View::Load(const std::wstring& name) { Engine().wkeLoadFileW(view_, name.c_str()); }

jsExecState View::exec() const { return Engine().wkeGlobalExec(view_); }

jsValue View::RunValue(const std::wstring& script) { return Engine().wkeRunJSW(view_, script.c_str()); }

std::wstring View::Run(const std::wstring& script) {
  Api& api = Engine();
  jsValue v = api.wkeRunJSW(view_, script.c_str());
  return api.jsToStringW(exec(), v);
}

ConsoleCapture::ConsoleCapture() {
  wchar_t dir[MAX_PATH], file[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  GetTempFileNameW(dir, L"con", 0, file);
  path_ = file;
  SetEnvironmentVariableW(WKE_CONSOLE_LOG_VARIABLE, path_.c_str());
}

ConsoleCapture::~ConsoleCapture() {
  SetEnvironmentVariableW(WKE_CONSOLE_LOG_VARIABLE, nullptr);
  DeleteFileW(path_.c_str());
}

std::vector<std::string> ConsoleCapture::Lines() const {
  std::string content;
  std::vector<std::string> lines;
  if (!ReadAll(path_, content)) return lines;
  std::istringstream in(content);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace testhost
