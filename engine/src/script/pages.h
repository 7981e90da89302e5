#pragma once
// The live pages of the engine, and the retired ones waiting until no script of theirs runs.
#include <cstdint>
#include <functional>
#include <string>

namespace page {
struct Page;
}

namespace pages {

void Add(page::Page* p);
void Remove(page::Page* p);
page::Page* Find(uint32_t id);
void ForEach(const std::function<void(page::Page&)>& visit);
uint32_t NextId();

// Keeps a retired page until no script of it runs, then frees it.
void Bury(page::Page* p);
void Sweep(bool force);
// Retires every live page (engine shutdown).
void RetireAll();
// location.href = url: loads url into the page's view once the current script is done.
void Navigate(uint32_t pageId, const std::string& url);

}  // namespace pages
