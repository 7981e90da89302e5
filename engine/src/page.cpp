#include "page.h"

#include <cstdlib>

#include "bootstrap.h"
#include "console.h"
#include "dom_bindings.h"
#include "engine.h"
#include "html_parser.h"
#include "loader.h"
#include "natives.h"
#include "timers.h"

namespace page {
namespace {

void Fatal(void*, const char* message) {
  console::Write("fatal", message ? message : "script engine failure");
  std::abort();
}

}  // namespace

Page* Create(wkeWebView view, const std::string& url) {
  engine::Sweep(false);
  auto* p = new Page;
  p->id = engine::NextPageId();
  p->view = view;
  p->url = url;
  p->ctx = duk_create_heap(nullptr, nullptr, nullptr, p, Fatal);
  if (!p->ctx) {
    delete p;
    return nullptr;
  }
  p->globalExec = {p, p->ctx, 0};
  p->doc = dom::NewDocument();
  html::ParseDocument(p->doc, "");
  p->doc->onParentChanged = [p](dom::Node* n) { bindings::ParentChanged(*p, n); };
  p->doc->onInserted = [p](dom::Node* n) { loader::NodeInserted(*p, n); };
  values::Init(*p, p->ctx);
  bindings::Install(*p);
  bootstrap::Run(*p);
  natives::InstallAll(*p);
  engine::AddPage(p);
  return p;
}

void Retire(Page* p) {
  if (!p || p->retired) return;
  p->retired = true;
  p->view = nullptr;
  timers::StopAll(p->id);
  engine::Bury(p);
}

void Destroy(Page* p) {
  engine::RemovePage(p);
  p->doc->tearingDown = true;
  p->doc->onParentChanged = nullptr;
  p->doc->onInserted = nullptr;
  duk_destroy_heap(p->ctx);
  dom::DeleteDocument(p->doc);
  delete p;
}

Page* FromContext(duk_context* ctx) {
  duk_memory_functions funcs;
  duk_get_memory_functions(ctx, &funcs);
  return static_cast<Page*>(funcs.udata);
}

Page* FromId(uint32_t id) { return engine::FindPage(id); }

Activity::Activity(Page& p) : page_(p) { ++page_.activeDepth; }

Activity::~Activity() {
  if (--page_.activeDepth == 0 && page_.retired) engine::PostTask([] {});
}

}  // namespace page
