#include "script/page.h"

#include "runtime/runtime.h"
#include "script/pages.h"
#include "script/timers.h"

namespace page {

void Retire(Page* p) {
  if (!p || p->retired) return;
  p->retired = true;
  p->view = nullptr;
  timers::StopAll(p->id);
  pages::Bury(p);
}

void Destroy(Page* p) {
  pages::Remove(p);
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

Page* FromId(uint32_t id) { return pages::Find(id); }

Activity::Activity(Page& p) : page_(p) { ++page_.activeDepth; }

Activity::~Activity() {
  if (--page_.activeDepth == 0 && page_.retired) runtime::PostTask([] {});
}

}  // namespace page
