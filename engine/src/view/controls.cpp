#include "view/controls.h"

#include <windows.h>

#include <algorithm>

#include "core/text.h"
#include "dom/form_fields.h"
#include "platform/files.h"
#include "platform/fonts.h"
#include "script/events.h"
#include "script/pages.h"

namespace controls {
namespace {

using fields::IsInput;
using fields::IsTextField;
using fields::Shown;
using fields::ValueOf;

void SetValue(dom::Node* n, const std::wstring& v) {
  if (n->name == "textarea") dom::SetTextContent(n, text::WideToCesu(v));
  else dom::SetAttribute(n, "value", text::WideToCesu(v));
}

void FireSimple(page::Page& p, dom::Node* target, const char* type, bool bubbles) {
  events::Init init;
  init.bubbles = bubbles;
  events::Fire(p, target, type, init);
}

void ReplaceSelection(page::Page& p, dom::Node* field, const std::wstring& with) {
  dom::Document* doc = p.doc;
  std::wstring v = ValueOf(field);
  size_t a = std::min(doc->selectionStart, doc->selectionEnd), b = std::max(doc->selectionStart, doc->selectionEnd);
  a = std::min(a, v.size());
  b = std::min(b, v.size());
  v.replace(a, b - a, with);
  doc->selectionStart = doc->selectionEnd = a + with.size();
  SetValue(field, v);
  FireSimple(p, field, "input", true);
}

void Check(page::Page& p, dom::Node* box) {
  if (dom::GetAttribute(box, "disabled")) return;
  bool changed = true;
  if (IsInput(box, "checkbox")) {
    if (dom::GetAttribute(box, "checked")) dom::RemoveAttribute(box, "checked");
    else dom::SetAttribute(box, "checked", "");
  } else {
    changed = dom::GetAttribute(box, "checked") == nullptr;
    const std::string* name = dom::GetAttribute(box, "name");
    if (changed && name) {
      dom::ForEachElement(p.doc->root, [&](dom::Node* other) {
        const std::string* otherName = dom::GetAttribute(other, "name");
        if (other != box && IsInput(other, "radio") && otherName && *otherName == *name)
          dom::RemoveAttribute(other, "checked");
        return true;
      });
    }
    dom::SetAttribute(box, "checked", "");
  }
  if (!changed) return;
  FireSimple(p, box, "input", true);
  FireSimple(p, box, "change", true);
}

// Index in the shown text nearest to x, from the field's first text item.
size_t IndexAt(const layout::Result& layout, const dom::Node* field, double x) {
  for (const layout::Box& b : layout.boxes) {
    if (b.node != field || b.kind != layout::Box::Kind::Text || !b.text) continue;
    std::wstring shown = Shown(field);
    std::vector<double> adv = fonts::Advances(b.text->font, shown, b.text->letterSpacing);
    double at = b.rect.x;
    size_t i = 0;
    while (i < adv.size() && at + adv[i] / 2 < x) at += adv[i++];
    return i;
  }
  return ValueOf(field).size();
}

}  // namespace

dom::Node* FocusableFrom(dom::Node* n) {
  for (; n && n->kind == dom::NodeKind::Element; n = n->parent) {
    if (fields::IsFocusable(n)) return n;
  }
  return nullptr;
}

void Focus(page::Page& p, dom::Node* n) {
  dom::Document* doc = p.doc;
  dom::Node* old = doc->focus;
  if (old == n) return;
  if (old) dom::AddRef(old);
  std::string before = doc->valueAtFocus;
  dom::SetState(doc->focus, n);
  if (n && IsTextField(n)) {
    doc->valueAtFocus = text::WideToCesu(ValueOf(n));
    doc->selectionStart = doc->selectionEnd = ValueOf(n).size();
  }
  dom::Touch(doc->root);
  if (old) {
    if (IsTextField(old) && text::WideToCesu(ValueOf(old)) != before && dom::IsConnected(old))
      FireSimple(p, old, "change", true);
    FireSimple(p, old, "blur", false);
    dom::Release(old);
  }
  if (n && doc->focus == n) FireSimple(p, n, "focus", false);
}

void PointAt(page::Page& p, const layout::Result& layout, double x, bool extend) {
  dom::Document* doc = p.doc;
  if (!IsTextField(doc->focus)) return;
  size_t i = IndexAt(layout, doc->focus, x);
  doc->selectionEnd = i;
  if (!extend) doc->selectionStart = i;
  dom::Touch(doc->root);
}

void Click(page::Page& p, dom::Node* target) {
  dom::Document* doc = p.doc;
  if (dom::Node* open = doc->openSelect) {
    // Any click closes the list; a click on one of its options chooses it.
    dom::AddRef(open);
    dom::SetState(doc->openSelect, nullptr);
    dom::Touch(doc->root);
    bool chosen = target && target->name == "option" && dom::Contains(open, target);
    bool changed = chosen && !dom::GetAttribute(target, "selected");
    if (changed) {
      dom::ForEachElement(open, [&](dom::Node* o) {
        if (o->name == "option" && o != target) dom::RemoveAttribute(o, "selected");
        return true;
      });
      dom::SetAttribute(target, "selected", "");
      FireSimple(p, open, "input", true);
      FireSimple(p, open, "change", true);
    }
    dom::Release(open);
    if (chosen || target == open) return;
  }
  for (dom::Node* n = target; n && n->kind == dom::NodeKind::Element; n = n->parent) {
    if (IsInput(n, "checkbox") || IsInput(n, "radio")) {
      Check(p, n);
      return;
    }
    if (n->name == "label") {
      dom::Node* control = nullptr;
      if (const std::string* id = dom::GetAttribute(n, "for")) {
        control = dom::FindById(p.doc->root, *id);
      } else {
        dom::ForEachElement(n, [&](dom::Node* c) {
          if (c->name == "input" || c->name == "select" || c->name == "textarea" || c->name == "button") control = c;
          return control == nullptr;
        });
      }
      if (!control || dom::Contains(n, target) == false) return;
      if (IsInput(control, "checkbox") || IsInput(control, "radio")) {
        events::Init init;
        init.mouse = true;
        bool prevented = false;
        events::Fire(p, control, "click", init, &prevented);
        if (!prevented) Check(p, control);
      } else if (fields::IsFocusable(control)) {
        Focus(p, control);
      }
      return;
    }
    if (n->name == "select") {
      if (!dom::GetAttribute(n, "disabled")) {
        dom::SetState(doc->openSelect, n);
        dom::Touch(doc->root);
      }
      return;
    }
    if (n->name == "a") {
      const std::string* href = dom::GetAttribute(n, "href");
      if (!href || href->empty() || (*href)[0] == '#' || text::AsciiLower(*href).rfind("javascript:", 0) == 0) return;
      if (!p.view) return;
      pages::Navigate(p.id, files::Resolve(p.url, *href));
      return;
    }
  }
}

bool KeyDown(page::Page& p, unsigned vk, bool shift, bool ctrl) {
  dom::Document* doc = p.doc;
  if (vk == VK_TAB) {
    std::vector<dom::Node*> order;
    dom::ForEachElement(doc->root, [&](dom::Node* n) {
      if (fields::IsFocusable(n)) order.push_back(n);
      return true;
    });
    if (order.empty()) return false;
    auto it = std::find(order.begin(), order.end(), doc->focus);
    dom::Node* next;
    if (it == order.end()) next = shift ? order.back() : order.front();
    else if (shift) next = it == order.begin() ? order.back() : *(it - 1);
    else next = (it + 1 == order.end()) ? order.front() : *(it + 1);
    Focus(p, next);
    return true;
  }
  dom::Node* field = doc->focus;
  if (!IsTextField(field)) {
    if ((vk == VK_SPACE || vk == VK_RETURN) && field && (IsInput(field, "checkbox") || IsInput(field, "radio"))) {
      Check(p, field);
      return true;
    }
    return false;
  }
  size_t length = ValueOf(field).size();
  size_t& end = doc->selectionEnd;
  size_t& start = doc->selectionStart;
  bool collapsed = start == end;
  switch (vk) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END: {
      size_t to = end;
      if (vk == VK_LEFT) to = (!shift && !collapsed) ? std::min(start, end) : (end > 0 ? end - 1 : 0);
      if (vk == VK_RIGHT) to = (!shift && !collapsed) ? std::max(start, end) : std::min(length, end + 1);
      if (vk == VK_HOME) to = 0;
      if (vk == VK_END) to = length;
      end = to;
      if (!shift) start = to;
      dom::Touch(doc->root);
      return true;
    }
    case VK_BACK:
    case VK_DELETE:
      if (collapsed) {
        if (vk == VK_BACK && end == 0) return true;
        if (vk == VK_DELETE && end >= length) return true;
        if (vk == VK_BACK) start = end - 1;
        else end = start + 1;
      }
      ReplaceSelection(p, field, L"");
      return true;
    case 'A':
      if (!ctrl) return false;
      start = 0;
      end = length;
      dom::Touch(doc->root);
      return true;
    default: return false;
  }
}

bool Char(page::Page& p, unsigned code) {
  dom::Node* field = p.doc->focus;
  if (!IsTextField(field) || code < 32 || code == 127) return false;
  if (dom::GetAttribute(field, "readonly") || dom::GetAttribute(field, "disabled")) return true;
  std::wstring typed(1, static_cast<wchar_t>(code));
  if (const std::string* max = dom::GetAttribute(field, "maxlength")) {
    size_t limit = static_cast<size_t>(std::max(0, std::atoi(max->c_str())));
    dom::Document* doc = p.doc;
    size_t selected =
        std::max(doc->selectionStart, doc->selectionEnd) - std::min(doc->selectionStart, doc->selectionEnd);
    if (ValueOf(field).size() - selected >= limit) return true;
  }
  ReplaceSelection(p, field, typed);
  return true;
}

}  // namespace controls
