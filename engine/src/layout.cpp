#include "layout.h"

#include <cstdlib>
#include <string>

#include "css_style.h"
#include "text.h"

namespace layout {
namespace {

std::optional<css::Color> Background(const css::ComputedStyle& s) {
  auto it = s.find("background-color");
  if (it != s.end()) {
    if (auto c = css::ParseColor(it->second)) return c;
  }
  it = s.find("background");
  if (it != s.end()) return css::FindColor(it->second);
  return std::nullopt;
}

std::optional<double> Length(const css::ComputedStyle& s, const char* property, double base) {
  auto it = s.find(property);
  if (it == s.end()) return std::nullopt;
  return css::ParseLength(it->second, base);
}

std::string Value(const css::ComputedStyle& s, const char* property) {
  auto it = s.find(property);
  return it == s.end() ? std::string() : text::AsciiLower(text::Trim(it->second));
}

struct Walker {
  const css::StyleSheet& sheet;
  Result& out;

  // container: the containing block of absolutely positioned descendants.
  void Visit(dom::Node* n, const Rect& container, float opacity) {
    css::ComputedStyle style = css::Compute(n, sheet);
    if (Value(style, "display") == "none") return;
    std::string op = Value(style, "opacity");
    if (!op.empty()) {
      double v = std::strtod(op.c_str(), nullptr);
      opacity *= static_cast<float>(v < 0 ? 0 : v > 1 ? 1 : v);
    }
    std::string position = Value(style, "position");
    Rect childContainer = container;
    if (position == "absolute" || position == "fixed") {
      Rect r;
      auto left = Length(style, "left", container.w), right = Length(style, "right", container.w);
      auto top = Length(style, "top", container.h), bottom = Length(style, "bottom", container.h);
      auto width = Length(style, "width", container.w), height = Length(style, "height", container.h);
      r.w = width ? *width : (left && right) ? container.w - *left - *right : 0;
      r.h = height ? *height : (top && bottom) ? container.h - *top - *bottom : 0;
      r.x = container.x + (left ? *left : right ? container.w - *right - r.w : 0);
      r.y = container.y + (top ? *top : bottom ? container.h - *bottom - r.h : 0);
      if (r.w < 0) r.w = 0;
      if (r.h < 0) r.h = 0;
      out.boxes.push_back({n, r, Background(style), opacity});
      childContainer = r;
    }
    for (dom::Node* c : n->children) {
      if (c->kind == dom::NodeKind::Element) Visit(c, childContainer, opacity);
    }
  }
};

}  // namespace

Result Build(const dom::Document* doc, int viewWidth, int viewHeight) {
  Result out;
  css::StyleSheet sheet = css::CollectStyleSheets(doc);
  dom::Node* root = dom::DocumentElement(doc);
  if (!root) return out;
  css::ComputedStyle rootStyle = css::Compute(root, sheet);
  if (Value(rootStyle, "display") == "none") return out;
  out.canvas = Background(rootStyle);
  if (!out.canvas || out.canvas->a == 0) {
    if (dom::Node* body = dom::Body(doc)) {
      css::ComputedStyle bodyStyle = css::Compute(body, sheet);
      if (Value(bodyStyle, "display") != "none") out.canvas = Background(bodyStyle);
    }
  }
  Walker walker{sheet, out};
  Rect view{0, 0, static_cast<double>(viewWidth), static_cast<double>(viewHeight)};
  for (dom::Node* c : root->children) {
    if (c->kind == dom::NodeKind::Element) walker.Visit(c, view, 1.f);
  }
  return out;
}

dom::Node* HitTest(const Result& layout, double x, double y) {
  for (auto it = layout.boxes.rbegin(); it != layout.boxes.rend(); ++it) {
    if (it->rect.w > 0 && it->rect.h > 0 && it->rect.Contains(x, y)) return it->node;
  }
  return nullptr;
}

}  // namespace layout
