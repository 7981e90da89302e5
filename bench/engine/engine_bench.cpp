// Measures (nothing is asserted): the first init + view + load of a page with 20 elements and
// two scripts, the same view + load again with a warm engine, and nanoseconds per native
// function round trip (script -> native -> script).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "wke.h"

namespace {

struct Api {
  decltype(&::wkeInit) init;
  decltype(&::wkeShutdown) shutdown;
  decltype(&::wkeCreateWebView) createView;
  decltype(&::wkeSetFileSystem) setFileSystem;
  decltype(&::jsBindFunction) bind;
  decltype(&::jsArg) arg;
  decltype(&::jsToInt) toInt;
  decltype(&::jsInt) makeInt;
  decltype(&::wkeLoadFileW) loadFile;
  decltype(&::wkeDestroyWebView) destroyView;
  decltype(&::wkeRunJSW) runJS;
  decltype(&::wkeResize) resize;
  decltype(&::wkePaint) paint;
};
Api api;

std::string page, script;

struct Memory {
  const std::string* data;
  size_t pos;
};
void* WKE_CALL Open(const char* name) {
  if (!strcmp(name, "bench/page.html")) return new Memory{&page, 0};
  if (!strcmp(name, "bench/app.js")) return new Memory{&script, 0};
  return nullptr;
}
void WKE_CALL Close(void* h) { delete static_cast<Memory*>(h); }
unsigned WKE_CALL Size(void* h) { return static_cast<unsigned>(static_cast<Memory*>(h)->data->size()); }
int WKE_CALL Read(void* h, void* buffer, unsigned count) {
  auto* m = static_cast<Memory*>(h);
  size_t n = std::min<size_t>(count, m->data->size() - m->pos);
  memcpy(buffer, m->data->data() + m->pos, n);
  m->pos += n;
  return static_cast<int>(n);
}
int WKE_CALL Seek(void*, int, int) { return -1; }

jsValue WKE_CALL Increment(jsExecState es) { return api.makeInt(api.toInt(es, api.arg(es, 0)) + 1); }

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

template <class T>
void Get(HMODULE m, T& slot, const char* name) {
  slot = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
  if (!slot) {
    std::printf("missing export %s\n", name);
    ExitProcess(1);
  }
}

}  // namespace

int main() {
  page = "<!DOCTYPE html><html><head><title>bench</title><style>.b{position:absolute;width:10px;height:10px;"
         "background-color:rgba(0,0,255,0.5)}</style></head><body>";
  for (int i = 0; i < 20; ++i)
    page += "<div id='e" + std::to_string(i) + "' class='b' style='left:" + std::to_string(i * 12) + "px;top:4px'></div>";
  page += "<script>var n = document.querySelectorAll('.b').length;</script><script src='app.js'></script></body></html>";
  script = "document.getElementById('e3').style.top = '20px'; window.loaded = n;";

  double t0 = Now();
  HMODULE m = LoadLibraryW(L"wke.dll");
  if (!m) {
    std::printf("wke.dll did not load\n");
    return 1;
  }
  double tLoaded = Now();
  Get(m, api.init, "wkeInit");
  Get(m, api.shutdown, "wkeShutdown");
  Get(m, api.createView, "wkeCreateWebView");
  Get(m, api.setFileSystem, "wkeSetFileSystem");
  Get(m, api.bind, "jsBindFunction");
  Get(m, api.arg, "jsArg");
  Get(m, api.toInt, "jsToInt");
  Get(m, api.makeInt, "jsInt");
  Get(m, api.loadFile, "wkeLoadFileW");
  Get(m, api.destroyView, "wkeDestroyWebView");
  Get(m, api.runJS, "wkeRunJSW");
  Get(m, api.resize, "wkeResize");
  Get(m, api.paint, "wkePaint");

  double t1 = Now();
  api.init();
  api.setFileSystem(Open, Close, Size, Read, Seek);
  api.bind("increment", Increment, 1);
  wkeWebView view = api.createView();
  api.loadFile(view, L"bench/page.html");
  double t2 = Now();
  std::printf("LoadLibrary of wke.dll: %.2f ms\n", (tLoaded - t0) * 1e3);
  std::printf("first init + view + load (20 elements, 2 scripts): %.2f ms\n", (t2 - t1) * 1e3);

  const int rounds = 200;
  double t3 = Now();
  for (int i = 0; i < rounds; ++i) {
    wkeWebView v = api.createView();
    api.loadFile(v, L"bench/page.html");
    api.destroyView(v);
  }
  double t4 = Now();
  std::printf("view + load with a warm engine: %.3f ms (mean of %d)\n", (t4 - t3) * 1e3 / rounds, rounds);

  static unsigned pixels[400 * 400];
  api.resize(view, 400, 400);
  double t5 = Now();
  for (int i = 0; i < 100; ++i) api.paint(view, pixels, 400 * 4);
  double t6 = Now();
  std::printf("paint of the page at 400 x 400: %.3f ms (mean of 100)\n", (t6 - t5) * 1e3 / 100);

  const int calls = 1000000;
  double t7 = Now();
  api.runJS(view, L"var x = 0; for (var i = 0; i < 1000000; i++) x = increment(x); x");
  double t8 = Now();
  api.runJS(view, L"var y = 0; for (var i = 0; i < 1000000; i++) y = y + 1; y");
  double t9 = Now();
  double perCall = (t8 - t7) * 1e9 / calls;
  double loopOnly = (t9 - t8) * 1e9 / calls;
  std::printf("native round trip: %.0f ns per call (loop alone %.0f ns, difference %.0f ns)\n", perCall, loopOnly,
              perCall - loopOnly);

  api.destroyView(view);
  api.shutdown();
  return 0;
}
