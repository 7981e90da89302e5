#pragma once
// A small host for the engine: loads wke.dll from the test's folder with LoadLibrary,
// resolves the entry points by name, serves pages through the file hooks and binds natives
// that record what pages pass them.
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "wke.h"
#include "wke_entry_points.h"

namespace testhost {

struct Api {
#define WKE_ENTRY(name, hostNeedsIt) decltype(&::name) name = nullptr;
  WKE_ENTRY_POINTS(WKE_ENTRY)
#undef WKE_ENTRY
  HMODULE module = nullptr;
  int missing = 0;  // entry points that were not exported
};

// Loaded once per process; the engine is initialised, the hooks installed, the natives bound.
Api& Engine();

// The folder of test pages (pages/ beside the test program).
std::wstring PagesFolder();
// Pages served from memory before the folder is searched.
void ServePage(const std::string& name, const std::string& content);
void ClearServedPages();
// Every name the engine opened through the hooks, in order.
std::vector<std::string>& OpenedNames();

// What the test natives saw.
struct Probe {
  int argCount = 0;
  int type = -1;
  bool undefined = false;
  int asInt = 0;
  double asDouble = 0;
  std::string asUtf8;
  std::wstring asWide;
};
struct Record {
  std::vector<std::wstring> lines;  // record(...): the arguments joined by '|'
  std::vector<Probe> probes;        // probe(x): one per call
  std::vector<jsValue> kept;        // keep(fn): raw values
  std::vector<int> keptTypes;       // jsArgType of what keep got
  std::vector<wkeWebView> keptViews;
  jsValue registered = 0;    // register(fn): the one registration, replacing the one before
  jsValue firstRegistered = 0;
  long registrations = 0;
  long nativeCalls = 0;
};
Record& Seen();
void ResetSeen();

// Runs the message loop until done() or the timeout; true when done() became true.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
void PumpFor(int ms);

// A view of width x height that loads a page and is destroyed with the object.
class View {
 public:
  View(int width = 200, int height = 100);
  ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;
  void Load(const std::wstring& name);
  std::wstring Run(const std::wstring& script);  // the result as text
  jsValue RunValue(const std::wstring& script);
  wkeWebView get() const { return view_; }
  jsExecState exec() const;

 private:
  wkeWebView view_;
};

// Console lines written by the engine while a test runs (through WEBSHELL_CONSOLE).
class ConsoleCapture {
 public:
  ConsoleCapture();
  ~ConsoleCapture();
  std::vector<std::string> Lines() const;

 private:
  std::wstring path_;
};

std::string Narrow(const std::wstring& w);

}  // namespace testhost
