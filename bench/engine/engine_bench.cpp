// Measures (nothing is asserted): the first init + view + load of a page with 20 elements and
// two scripts, the same view + load again with a warm engine, nanoseconds per native function
// round trip (script -> native -> script), and layout + paint of a 400 x 400 launcher-like page
// and of the engine's gallery page (read from the working folder, the test pages), and a hover
// repaint.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "wke.h"
#include "wke_entry_points.h"

namespace {

struct Api {
#define WKE_ENTRY(name, hostNeedsIt) decltype(&::name) name;
  WKE_ENTRY_POINTS(WKE_ENTRY)
#undef WKE_ENTRY
};
Api api;

std::string page, script, launcher;

struct Memory {
  const std::string* data;
  size_t pos;
  std::string owned;
};
void* WKE_CALL Open(const char* name) {
  if (!strcmp(name, "bench/page.html")) return new Memory{&page, 0, {}};
  if (!strcmp(name, "bench/app.js")) return new Memory{&script, 0, {}};
  if (!strcmp(name, "bench/launcher.html")) return new Memory{&launcher, 0, {}};
  // Anything else from the working folder (the gallery and its images).
  FILE* f = fopen(name, "rb");
  if (!f) return nullptr;
  auto* m = new Memory{nullptr, 0, {}};
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) m->owned.append(buffer, n);
  fclose(f);
  m->data = &m->owned;
  return m;
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

jsValue WKE_CALL Increment(jsExecState es) { return api.jsInt(api.jsToInt(es, api.jsArg(es, 0)) + 1); }

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
  page =
      "<!DOCTYPE html><html><head><title>bench</title><style>.b{position:absolute;width:10px;height:10px;"
      "background-color:rgba(0,0,255,0.5)}</style></head><body>";
  for (int i = 0; i < 20; ++i)
    page +=
        "<div id='e" + std::to_string(i) + "' class='b' style='left:" + std::to_string(i * 12) + "px;top:4px'></div>";
  page +=
      "<script>var n = document.querySelectorAll('.b').length;</script><script src='app.js'></script></body></html>";
  script = "document.getElementById('e3').style.top = '20px'; window.loaded = n;";

  double t0 = Now();
  HMODULE m = LoadLibraryW(L"wke.dll");
  if (!m) {
    std::printf("wke.dll did not load\n");
    return 1;
  }
  double tLoaded = Now();
#define WKE_RESOLVE(name, hostNeedsIt) Get(m, api.name, #name);
  WKE_ENTRY_POINTS(WKE_RESOLVE)
#undef WKE_RESOLVE

  double t1 = Now();
  api.wkeInit();
  api.wkeSetFileSystem(Open, Close, Size, Read, Seek);
  api.jsBindFunction("increment", Increment, 1);
  wkeWebView view = api.wkeCreateWebView();
  api.wkeLoadFileW(view, L"bench/page.html");
  double t2 = Now();
  std::printf("LoadLibrary of wke.dll: %.2f ms\n", (tLoaded - t0) * 1e3);
  std::printf("first init + view + load (20 elements, 2 scripts): %.2f ms\n", (t2 - t1) * 1e3);

  const int rounds = 200;
  double t3 = Now();
  for (int i = 0; i < rounds; ++i) {
    wkeWebView v = api.wkeCreateWebView();
    api.wkeLoadFileW(v, L"bench/page.html");
    api.wkeDestroyWebView(v);
  }
  double t4 = Now();
  std::printf("view + load with a warm engine: %.3f ms (mean of %d)\n", (t4 - t3) * 1e3 / rounds, rounds);

  static unsigned pixels[400 * 400];
  api.wkeResize(view, 400, 400);
  double t5 = Now();
  for (int i = 0; i < 100; ++i) api.wkePaint(view, pixels, 400 * 4);
  double t6 = Now();
  std::printf("paint of the page at 400 x 400: %.3f ms (mean of 100)\n", (t6 - t5) * 1e3 / 100);

  const int calls = 1000000;
  double t7 = Now();
  api.wkeRunJSW(view, L"var x = 0; for (var i = 0; i < 1000000; i++) x = increment(x); x");
  double t8 = Now();
  api.wkeRunJSW(view, L"var y = 0; for (var i = 0; i < 1000000; i++) y = y + 1; y");
  double t9 = Now();
  double perCall = (t8 - t7) * 1e9 / calls;
  double loopOnly = (t9 - t8) * 1e9 / calls;
  std::printf("native round trip: %.0f ns per call (loop alone %.0f ns, difference %.0f ns)\n", perCall, loopOnly,
              perCall - loopOnly);

  api.wkeDestroyWebView(view);

  // A launcher-like page: a rounded transparent panel, a title in three scripts, a flex row of
  // buttons with hover states, a news list and a progress bar.
  launcher =
      "<!DOCTYPE html><html><head><style>"
      "body { margin: 0; font: 13px Tahoma, sans-serif; color: #eee }"
      ".panel { position: absolute; left: 10px; top: 10px; width: 380px; height: 380px; border-radius: 16px;"
      " background: rgba(20, 24, 40, 0.92); border: 1px solid #456; overflow: hidden }"
      "h1 { font-size: 22px; margin: 16px; color: #fff } .sub { margin: 0 16px; color: #9ab }"
      ".row { display: flex; gap: 10px; margin: 16px; justify-content: space-between }"
      ".btn { flex: 1; padding: 8px 0; text-align: center; border-radius: 18px; background: #2b6cb0; cursor: pointer }"
      ".btn:hover { background: #3c7dc1 } .news { margin: 0 16px } .news li { margin: 4px 0 }"
      ".bar { position: absolute; left: 16px; right: 16px; bottom: 20px; height: 8px; border-radius: 4px; background: #234 }"
      ".fill { width: 62%; height: 100%; border-radius: 4px; background: #4c9 }"
      "</style></head><body><div class='panel'>"
      "<h1>Launcher 启动器 ランチャー</h1><p class='sub'>Version 1.2.3 · 繁體中文 · 日本語</p>"
      "<div class='row'><div class='btn' id='play'>Play</div><div class='btn'>Settings</div><div class='btn'>Exit</div></div>"
      "<ul class='news'>";
  for (int i = 0; i < 8; ++i) {
    launcher += "<li>News item ";
    launcher += std::to_string(i);
    launcher += ": maintenance finished, new season begins</li>";
  }
  launcher += "</ul><div class='bar'><div class='fill'></div></div></div></body></html>";

  std::vector<unsigned> frame(480 * 720);
  auto layoutAndPaint = [&](const wchar_t* name, int w, int h, const char* label) {
    wkeWebView v = api.wkeCreateWebView();
    api.wkeSetTransparent(v, true);
    double a = Now();
    api.wkeLoadFileW(v, name);
    api.wkeResize(v, w, h);
    api.wkePaint(v, frame.data(), w * 4);
    double b = Now();
    const int n = 50;
    for (int i = 0; i < n; ++i) {
      // A size change forces a full layout before the paint.
      api.wkeResize(v, w, h + (i & 1));
      api.wkePaint(v, frame.data(), w * 4);
    }
    double c = Now();
    for (int i = 0; i < n; ++i) {
      api.wkeSetDirty(v, true);
      api.wkePaint(v, frame.data(), w * 4);
    }
    double d = Now();
    std::printf("%s: load + first layout + paint %.2f ms; layout + paint %.3f ms, paint alone %.3f ms (means of %d)\n",
                label, (b - a) * 1e3, (c - b) * 1e3 / n, (d - c) * 1e3 / n, n);
    return v;
  };
  wkeWebView l = layoutAndPaint(L"bench/launcher.html", 400, 400, "launcher page 400 x 400");
  // Hover repaint: the pointer moves between two buttons with :hover rules.
  const int moves = 100;
  double h0 = Now();
  for (int i = 0; i < moves; ++i) {
    api.wkeMouseEvent(l, WM_MOUSEMOVE, (i & 1) ? 60 : 190, 110, 0);
    api.wkePaint(l, frame.data(), 400 * 4);
  }
  double h1 = Now();
  std::printf("hover repaint (restyle + layout + paint, 400 x 400): %.3f ms (mean of %d)\n", (h1 - h0) * 1e3 / moves,
              moves);
  api.wkeDestroyWebView(l);
  FILE* gallery = fopen("gallery/index.html", "rb");
  if (gallery) {
    fclose(gallery);
    api.wkeDestroyWebView(layoutAndPaint(L"gallery/index.html", 480, 720, "gallery page 480 x 720"));
  } else {
    std::printf("gallery page not found in the working folder (run through the bench_engine target)\n");
  }
  api.wkeShutdown();
  return 0;
}
