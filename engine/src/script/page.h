#pragma once
// A page: one document with its own script heap and global environment. A view owns its
// current page; loading another page or destroying the view retires it, and a retired page is
// freed once no script of it is running any more.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include <duktape.h>

#include "dom/dom.h"
#include "script/values.h"
#include "wke.h"

namespace page {
struct Page;
}

// The exec state handed to native functions: the page, the script context of the call and
// the number of arguments on its stack. wkeGlobalExec hands out the page's own, without
// arguments.
struct jsExecStateImpl {
  page::Page* page;
  duk_context* ctx;
  duk_idx_t argCount;
};

namespace page {

struct ClientRect {
  double x = 0, y = 0, w = 0, h = 0;
};

struct Page {
  uint32_t id = 0;
  duk_context* ctx = nullptr;
  dom::Document* doc = nullptr;
  wkeWebView view = nullptr;  // null once the page was retired
  std::string url;            // the page's name or URL, CESU-8
  values::Table values;
  jsExecStateImpl globalExec{};
  int activeDepth = 0;  // script runs of this page in progress
  bool retired = false;
  bool parsing = false;  // scripts inserted now do not run
  const char* readyState = "loading";
  // Script objects the bindings need, kept alive through the heap stash.
  void* internals = nullptr;  // what the start-up script returned: fire, timerFired
  void* nodeProto = nullptr;
  void* elementProto = nullptr;
  void* textProto = nullptr;
  void* documentProto = nullptr;
  void* wrappers = nullptr;  // node serial -> wrapper, for nodes that are in a tree
  void* styleHandler = nullptr;
  void* styleProto = nullptr;
  // Resources fetched ahead for pages loaded over the network: URL -> bytes.
  std::map<std::string, std::string> prefetched;
  // The text of every script run, by file name and line, for the columns of error reports.
  // Inline scripts of one page share the page's name and keep their own line numbers.
  std::map<std::string, std::map<int, std::string>> scriptLines;
  bool networkPage = false;
  // What the page's view does for its scripts: element.focus() and blur() (nullptr: none),
  // and an element's border box in the current layout.
  std::function<void(dom::Node*)> moveFocus;
  std::function<ClientRect(const dom::Node*)> bounds;
};

// Detaches the page from its view; it is freed at once or when its scripts return.
void Retire(Page* page);
// Frees the page now (only when it is not running).
void Destroy(Page* page);
Page* FromContext(duk_context* ctx);
Page* FromId(uint32_t id);

// Counts a script run of the page in progress.
class Activity {
 public:
  explicit Activity(Page& p);
  ~Activity();
  Activity(const Activity&) = delete;
  Activity& operator=(const Activity&) = delete;

 private:
  Page& page_;
};

}  // namespace page
