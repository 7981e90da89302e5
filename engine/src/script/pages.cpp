#include "script/pages.h"

#include <map>
#include <vector>

#include "core/text.h"
#include "runtime/runtime.h"
#include "script/page.h"

namespace pages {
namespace {

std::map<uint32_t, page::Page*> live;
std::vector<page::Page*> graveyard;
uint32_t nextId = 1;

}  // namespace

void Add(page::Page* p) { live[p->id] = p; }
void Remove(page::Page* p) { live.erase(p->id); }

page::Page* Find(uint32_t id) {
  auto it = live.find(id);
  return it == live.end() ? nullptr : it->second;
}

void ForEach(const std::function<void(page::Page&)>& visit) {
  std::vector<page::Page*> all;
  for (auto& [id, p] : live) {
    if (!p->retired) all.push_back(p);
  }
  for (page::Page* p : all) visit(*p);
}

uint32_t NextId() {
  uint32_t id = nextId++;
  if (nextId == 0) nextId = 1;
  return id;
}

void Bury(page::Page* p) {
  graveyard.push_back(p);
  runtime::PostTask([] {});
}

void Sweep(bool force) {
  std::vector<page::Page*> keep;
  std::vector<page::Page*> dead;
  for (page::Page* p : graveyard) {
    if (force || p->activeDepth == 0) dead.push_back(p);
    else keep.push_back(p);
  }
  graveyard.swap(keep);
  for (page::Page* p : dead) page::Destroy(p);
}

void RetireAll() {
  std::vector<page::Page*> remaining;
  for (auto& [id, p] : live) remaining.push_back(p);
  for (page::Page* p : remaining) {
    if (!p->retired) page::Retire(p);
  }
}

void Navigate(uint32_t pageId, const std::string& url) {
  runtime::PostTask([pageId, url] {
    page::Page* p = Find(pageId);
    if (!p || p->retired || !p->view) return;
    std::wstring target = text::CesuToWide(url);
    if (url.rfind("http:", 0) == 0 || url.rfind("https:", 0) == 0) p->view->loadURL(target.c_str());
    else p->view->loadFile(target.c_str());
  });
}

}  // namespace pages
