#include "loader/loader.h"

#include <optional>
#include <vector>

#include "base/trace.h"
#include "core/text.h"
#include "dom/html_parser.h"
#include "platform/console.h"
#include "platform/fetch.h"
#include "platform/files.h"
#include "script/events.h"
#include "script/script.h"

namespace loader {
namespace {

// Bytes of a resource (name or URL in CESU-8) for the page.
std::optional<std::string> ReadResource(page::Page& p, const std::string& name) {
  if (p.networkPage) {
    auto it = p.prefetched.find(name);
    if (it == p.prefetched.end()) return std::nullopt;
    return it->second;
  }
  return files::Read(text::CesuToUtf8(name));
}

bool IsScriptType(const dom::Node* n) {
  const std::string* type = dom::GetAttribute(n, "type");
  if (!type) return true;
  std::string t = text::AsciiLower(text::Trim(*type));
  return t.empty() || t == "text/javascript" || t == "application/javascript" || t == "text/ecmascript" ||
         t == "application/ecmascript" || t == "application/x-javascript";
}

bool IsStyleSheetLink(const dom::Node* n) {
  if (n->name != "link") return false;
  const std::string* rel = dom::GetAttribute(n, "rel");
  return rel && text::AsciiLower(text::Trim(*rel)) == "stylesheet" && dom::GetAttribute(n, "href");
}

void RunScriptElement(page::Page& p, dom::Node* n) {
  if (n->scriptStarted) return;
  n->scriptStarted = true;
  if (!IsScriptType(n)) return;
  if (const std::string* src = dom::GetAttribute(n, "src")) {
    std::string name = files::Resolve(p.url, *src);
    auto bytes = ReadResource(p, name);
    if (!bytes) {
      console::Write("error", "cannot load script " + name);
      return;
    }
    if (script::Run(p, text::DecodeFileBytes(*bytes), name, 1)) duk_pop(p.ctx);
    return;
  }
  if (script::Run(p, dom::TextContent(n), p.url, n->sourceLine)) duk_pop(p.ctx);
}

void LoadStyleSheet(page::Page& p, dom::Node* n) {
  std::string name = files::Resolve(p.url, *dom::GetAttribute(n, "href"));
  auto bytes = ReadResource(p, name);
  if (!bytes) {
    console::Write("error", "cannot load style sheet " + name);
    return;
  }
  n->sheet = text::DecodeFileBytes(*bytes);
  dom::Touch(n);
}

std::vector<dom::Node*> Elements(page::Page& p, bool (*want)(const dom::Node*)) {
  std::vector<dom::Node*> out;
  dom::ForEachElement(p.doc->root, [&](dom::Node* n) {
    if (want(n)) out.push_back(n);
    return true;
  });
  return out;
}

bool IsScript(const dom::Node* n) { return n->name == "script"; }

void Parse(page::Page& p, const std::string& source) {
  p.parsing = true;
  dom::RemoveAllChildren(p.doc->root);
  html::ParseDocument(p.doc, source);
  p.parsing = false;
}

// Style sheets are loaded, then scripts run in document order, then the load events fire.
void Finish(page::Page& p) {
  for (dom::Node* link : Elements(p, IsStyleSheetLink)) LoadStyleSheet(p, link);
  std::vector<dom::Node*> scripts = Elements(p, IsScript);
  for (dom::Node* s : scripts) dom::AddRef(s);
  for (dom::Node* s : scripts) {
    if (!p.retired) RunScriptElement(p, s);
  }
  for (dom::Node* s : scripts) dom::Release(s);
  if (p.retired) return;
  p.readyState = "interactive";
  events::Init init;
  events::Fire(p, p.doc->root, "DOMContentLoaded", init);
  if (p.retired) return;
  p.readyState = "complete";
  init.bubbles = false;
  events::Fire(p, nullptr, "load", init);
  dom::Touch(p.doc->root);
}

void Fetched(page::Page& p, const fetch::Job& job);

fetch::Job* NewJob(const page::Page& p, int stage, bool cookies) {
  auto* job = new fetch::Job;
  job->stage = stage;
  job->cookies = cookies;
  job->done = [pageId = p.id](const fetch::Job& finished) {
    page::Page* owner = page::FromId(pageId);
    if (owner && !owner->retired) Fetched(*owner, finished);
  };
  return job;
}

void Fetched(page::Page& p, const fetch::Job& job) {
  if (job.stage == 0) {
    if (job.bodies.empty() || !job.bodies[0]) {
      console::Write("error", "cannot fetch page " + p.url);
      p.readyState = "complete";
      return;
    }
    if (!job.finalUrls.empty()) p.url = text::Utf8ToCesu(job.finalUrls[0]);
    Parse(p, text::DecodeFileBytes(*job.bodies[0]));
    fetch::Job* next = NewJob(p, 1, job.cookies);
    for (dom::Node* n : Elements(p, IsScript)) {
      if (const std::string* src = dom::GetAttribute(n, "src"))
        next->urls.push_back(text::CesuToUtf8(files::Resolve(p.url, *src)));
    }
    for (dom::Node* n : Elements(p, IsStyleSheetLink))
      next->urls.push_back(text::CesuToUtf8(files::Resolve(p.url, *dom::GetAttribute(n, "href"))));
    if (next->urls.empty()) {
      delete next;
      Finish(p);
      return;
    }
    if (!fetch::Start(next)) Finish(p);
    return;
  }
  for (size_t i = 0; i < job.urls.size() && i < job.bodies.size(); ++i) {
    if (job.bodies[i]) p.prefetched[text::Utf8ToCesu(job.urls[i])] = *job.bodies[i];
  }
  Finish(p);
}

}  // namespace

void LoadFile(page::Page& p) {
  auto bytes = files::Read(text::CesuToUtf8(p.url));
  if (!bytes) {
    console::Write("error", "cannot open page " + p.url);
    p.readyState = "complete";
    return;
  }
  if (trace::On()) trace::Step(("engine: page read " + p.url).c_str());
  Parse(p, text::DecodeFileBytes(*bytes));
  if (trace::On()) trace::Step(("engine: page parsed, its scripts run " + p.url).c_str());
  Finish(p);
  if (trace::On()) trace::Step(("engine: page loaded " + p.url).c_str());
}

void LoadUrl(page::Page& p, bool cookies) {
  p.networkPage = true;
  fetch::Job* job = NewJob(p, 0, cookies);
  job->urls.push_back(text::CesuToUtf8(p.url));
  if (!fetch::Start(job)) console::Write("error", "cannot fetch page " + p.url);
}

void NodeInserted(page::Page& p, dom::Node* n) {
  if (p.parsing || p.retired) return;
  std::vector<dom::Node*> found;
  auto consider = [&](dom::Node* e) {
    if ((e->name == "script" && !e->scriptStarted) || (IsStyleSheetLink(e) && e->sheet.empty())) found.push_back(e);
    return true;
  };
  if (n->kind != dom::NodeKind::Element) return;
  consider(n);
  dom::ForEachElement(n, consider);
  for (dom::Node* e : found) dom::AddRef(e);
  for (dom::Node* e : found) {
    if (p.retired) break;
    if (e->name == "script") {
      // A script element added empty gets its code later; it runs once it has some.
      if (dom::GetAttribute(e, "src") || !dom::TextContent(e).empty()) RunScriptElement(p, e);
    } else {
      LoadStyleSheet(p, e);
    }
  }
  for (dom::Node* e : found) dom::Release(e);
}

}  // namespace loader
