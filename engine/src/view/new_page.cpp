#include "view/new_page.h"

#include <cstdlib>

#include "dom/html_parser.h"
#include "loader/loader.h"
#include "platform/console.h"
#include "script/bindings.h"
#include "script/bootstrap.h"
#include "script/natives.h"
#include "script/pages.h"
#include "view/controls.h"
#include "view/view.h"

namespace view {
namespace {

void Fatal(void*, const char* message) {
  console::Write("fatal", message ? message : "script engine failure");
  std::abort();
}

}  // namespace

page::Page* NewPage(View& v, const std::string& url) {
  pages::Sweep(false);
  auto* p = new page::Page;
  p->id = pages::NextId();
  p->view = &v;
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
  p->moveFocus = [p](dom::Node* n) { controls::Focus(*p, n); };
  p->bounds = [&v](const dom::Node* element) {
    layout::Rect r = v.Bounds(element);
    return page::ClientRect{r.x, r.y, r.w, r.h};
  };
  values::Init(*p, p->ctx);
  bindings::Install(*p);
  bootstrap::Run(*p);
  natives::InstallAll(*p);
  pages::Add(p);
  return p;
}

}  // namespace view
