#include "core/text.h"
#include "script/bindings_shared.h"

namespace bindings {
namespace {

// Document.
dom::Node* ThisDocument(duk_context* ctx) {
  dom::Node* n = This(ctx);
  if (n->kind != dom::NodeKind::Document) (void)duk_type_error(ctx, "not a document");
  return n;
}
duk_ret_t GetDocumentElement(duk_context* ctx) {
  PushNode(PageOf(ctx), ctx, dom::DocumentElement(ThisDocument(ctx)->document));
  return 1;
}
duk_ret_t GetHead(duk_context* ctx) {
  PushNode(PageOf(ctx), ctx, dom::Head(ThisDocument(ctx)->document));
  return 1;
}
duk_ret_t GetBody(duk_context* ctx) {
  PushNode(PageOf(ctx), ctx, dom::Body(ThisDocument(ctx)->document));
  return 1;
}
duk_ret_t GetActiveElement(duk_context* ctx) {
  dom::Document* doc = ThisDocument(ctx)->document;
  dom::Node* focus = doc->focus && dom::IsConnected(doc->focus) ? doc->focus : dom::Body(doc);
  PushNode(PageOf(ctx), ctx, focus);
  return 1;
}
dom::Node* TitleElement(dom::Document* doc) {
  dom::Node* found = nullptr;
  dom::ForEachElement(doc->root, [&](dom::Node* n) {
    if (n->name == "title") found = n;
    return found == nullptr;
  });
  return found;
}
duk_ret_t GetTitle(duk_context* ctx) {
  dom::Node* t = TitleElement(ThisDocument(ctx)->document);
  PushString(ctx, t ? std::string(text::Trim(dom::TextContent(t))) : std::string());
  return 1;
}
duk_ret_t SetTitle(duk_context* ctx) {
  dom::Document* doc = ThisDocument(ctx)->document;
  std::string value = Arg(ctx, 0);
  dom::Node* t = TitleElement(doc);
  if (!t) {
    dom::Node* head = dom::Head(doc);
    if (!head) return 0;
    t = dom::CreateElement(doc, "title");
    dom::AppendChild(head, t);
  }
  dom::SetTextContent(t, value);
  return 0;
}
duk_ret_t GetElementById(duk_context* ctx) {
  dom::Node* d = ThisDocument(ctx);
  std::string id = Arg(ctx, 0);
  PushNode(PageOf(ctx), ctx, dom::FindById(d, id));
  return 1;
}
duk_ret_t CreateElement(duk_context* ctx) {
  dom::Node* d = ThisDocument(ctx);
  std::string name = Arg(ctx, 0);
  if (name.empty()) return duk_error(ctx, DUK_ERR_ERROR, "InvalidCharacterError");
  PushNode(PageOf(ctx), ctx, dom::CreateElement(d->document, name));
  return 1;
}
duk_ret_t CreateTextNode(duk_context* ctx) {
  dom::Node* d = ThisDocument(ctx);
  std::string data = Arg(ctx, 0);
  PushNode(PageOf(ctx), ctx, dom::CreateText(d->document, data));
  return 1;
}
duk_ret_t CreateComment(duk_context* ctx) {
  dom::Node* d = ThisDocument(ctx);
  std::string data = Arg(ctx, 0);
  PushNode(PageOf(ctx), ctx, dom::CreateComment(d->document, data));
  return 1;
}

}  // namespace

void DefineDocumentMembers(duk_context* ctx, duk_idx_t proto) {
  Define(ctx, proto,
         {{"documentElement", GetDocumentElement, nullptr},
          {"head", GetHead, nullptr},
          {"body", GetBody, nullptr},
          {"activeElement", GetActiveElement, nullptr},
          {"title", GetTitle, SetTitle},
          {"children", GetChildren, nullptr}},
         {{"getElementById", GetElementById, 1},
          {"createElement", CreateElement, 1},
          {"createTextNode", CreateTextNode, 1},
          {"createComment", CreateComment, 1},
          {"querySelector", QuerySelector, 1},
          {"querySelectorAll", QuerySelectorAll, 1},
          {"getElementsByTagName", GetElementsByTagName, 1},
          {"getElementsByClassName", GetElementsByClassName, 1}});
}

}  // namespace bindings
