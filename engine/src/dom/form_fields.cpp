#include "dom/form_fields.h"

#include "core/text.h"

namespace fields {

std::string TypeOf(const dom::Node* n) {
  const std::string* t = dom::GetAttribute(n, "type");
  return t ? text::AsciiLower(*t) : std::string("text");
}

bool IsInput(const dom::Node* n, const char* type) { return n && n->name == "input" && TypeOf(n) == type; }

std::wstring ValueOf(const dom::Node* n) {
  if (n->name == "textarea") return text::CesuToWide(dom::TextContent(n));
  const std::string* v = dom::GetAttribute(n, "value");
  return v ? text::CesuToWide(*v) : std::wstring();
}

bool IsFocusable(const dom::Node* n) {
  if (!dom::IsElement(n)) return false;
  if (dom::GetAttribute(n, "disabled")) return false;
  if (n->name == "input") return TypeOf(n) != "hidden";
  if (n->name == "button" || n->name == "select" || n->name == "textarea") return true;
  if (n->name == "a" && dom::GetAttribute(n, "href")) return true;
  return dom::GetAttribute(n, "tabindex") != nullptr;
}

bool IsTextField(const dom::Node* n) {
  if (!dom::IsElement(n)) return false;
  if (n->name == "textarea") return true;
  if (n->name != "input") return false;
  std::string t = TypeOf(n);
  return t == "text" || t == "password" || t == "search" || t == "email" || t == "url" || t == "tel" || t == "number";
}

std::wstring Shown(const dom::Node* field) {
  std::wstring v = ValueOf(field);
  if (IsInput(field, "password")) return std::wstring(v.size(), L'*');
  return v;
}

}  // namespace fields
