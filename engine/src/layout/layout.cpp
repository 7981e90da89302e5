#include "layout/layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/text.h"
#include "css/css_style.h"
#include "layout/layout_tree.h"

namespace layout {
namespace {

bool IsControl(const std::string& tag) {
  return tag == "input" || tag == "button" || tag == "select" || tag == "textarea";
}

std::string InputType(const dom::Node* n) {
  const std::string* t = dom::GetAttribute(n, "type");
  return t ? text::AsciiLower(*t) : std::string("text");
}

struct Builder {
  const css::StyleSheet& sheet;
  Ctx& c;
  double rootFontSize = 16;

  void AddText(LBox& parent, std::string_view cesu) {
    auto t = std::make_unique<LBox>();
    t->kind = LBox::Kind::Text;
    t->node = parent.node;
    t->st = style::Inherit(parent.st);
    t->text = text::CesuToWide(cesu);
    t->parent = &parent;
    parent.kids.push_back(std::move(t));
  }

  // The text a control shows of its own.
  void ControlText(LBox& b) {
    const dom::Node* n = b.node;
    if (n->name == "input") {
      std::string type = InputType(n);
      if (type == "checkbox" || type == "radio" || type == "hidden" || type == "image" || type == "file") return;
      const std::string* value = dom::GetAttribute(n, "value");
      if (value && !value->empty()) {
        AddText(b, type == "password" ? std::string(text::CesuToWide(*value).size(), '*') : *value);
      } else if (const std::string* placeholder = dom::GetAttribute(n, "placeholder")) {
        AddText(b, *placeholder);
        b.kids.back()->st.color = css::Color{117, 117, 117, 1};
      } else if (type == "submit") {
        AddText(b, "Submit");
      } else {
        AddText(b, " ");  // keeps an empty field one line high
      }
    } else if (n->name == "select") {
      const dom::Node* shown = nullptr;
      dom::ForEachElement(const_cast<dom::Node*>(n), [&](dom::Node* o) {
        if (o->name != "option") return true;
        if (!shown || dom::GetAttribute(o, "selected")) shown = o;
        return dom::GetAttribute(o, "selected") == nullptr;
      });
      AddText(b, shown ? dom::TextContent(shown) + " \xE2\x96\xBE" : std::string(" "));
    } else if (n->name == "textarea") {
      AddText(b, dom::TextContent(n));
    }
  }

  // Deeper elements are not rendered: the layout recurses over the tree and must not run out
  // of stack on a page nested without end.
  static constexpr int kMaxDepth = 256;
  int depth = 0;

  std::unique_ptr<LBox> Make(dom::Node* n, const style::Style* parentStyle, LBox* parent) {
    if (depth >= kMaxDepth) return nullptr;
    struct Deeper {
      int& d;
      explicit Deeper(int& v) : d(v) { ++d; }
      ~Deeper() { --d; }
    } deeper(depth);
    css::ComputedStyle cascaded = css::Compute(n, sheet);
    style::Style st = style::Resolve(cascaded, parentStyle, rootFontSize);
    if (!parentStyle) rootFontSize = st.fontSize;
    if (st.display == style::Display::None) return nullptr;
    auto b = std::make_unique<LBox>();
    b->node = n;
    b->parent = parent;
    b->flex = st.display == style::Display::Flex || st.display == style::Display::InlineFlex;
    if (n->name == "img") {
      bool blockLevel = st.display == style::Display::Block || st.display == style::Display::Flex;
      b->kind = blockLevel ? LBox::Kind::Block : LBox::Kind::Atomic;
      b->image = true;
      if (const std::string* src = dom::GetAttribute(n, "src"); src && c.resources) b->picture = c.resources->Get(*src);
    } else if (n->name == "br") {
      b->kind = LBox::Kind::Break;
    } else if (st.display == style::Display::Block || st.display == style::Display::Flex) {
      b->kind = LBox::Kind::Block;
    } else if (st.display == style::Display::Inline && !IsControl(n->name)) {
      b->kind = LBox::Kind::Inline;
    } else {
      b->kind = LBox::Kind::Atomic;
    }
    if (style::IsOutOfFlow(st) && (b->kind == LBox::Kind::Inline || b->kind == LBox::Kind::Break))
      b->kind = LBox::Kind::Block;
    if (parent && parent->flex && !style::IsOutOfFlow(st) && b->kind != LBox::Kind::Atomic) b->kind = LBox::Kind::Block;
    if (b->image) {
      // The width and height attributes size an image that its style leaves auto.
      for (auto [attr, length] : {std::pair{"width", &st.width}, std::pair{"height", &st.height}}) {
        const std::string* v = dom::GetAttribute(n, attr);
        if (!v || !length->IsAuto()) continue;
        char* end = nullptr;
        double px = std::strtod(v->c_str(), &end);
        if (end != v->c_str() && std::isfinite(px) && px >= 0 && px <= 1e6)
          *length = *end == '%' ? style::Length{style::Length::Percent, px} : style::Px(px);
      }
    }
    b->st = std::move(st);
    if (b->image || b->kind == LBox::Kind::Break) return b;
    if (IsControl(n->name)) {
      ControlText(*b);
      if (n->name != "button") return b;
    }
    for (dom::Node* child : n->children) {
      if (child->kind == dom::NodeKind::Text) {
        if (b->flex) {
          bool blank = std::all_of(child->data.begin(), child->data.end(), [](char ch) { return text::IsSpace(ch); });
          if (blank) continue;
          auto anon = std::make_unique<LBox>();
          anon->kind = LBox::Kind::Block;
          anon->anonymous = true;
          anon->node = n;
          anon->parent = b.get();
          anon->st = style::Inherit(b->st);
          anon->st.display = style::Display::Block;
          AddText(*anon, child->data);
          b->kids.push_back(std::move(anon));
        } else {
          AddText(*b, child->data);
        }
      } else if (child->kind == dom::NodeKind::Element) {
        if (auto k = Make(child, &b->st, b.get())) b->kids.push_back(std::move(k));
      }
    }
    return b;
  }
};

bool IsInlineLevel(const LBox& b) {
  return b.kind == LBox::Kind::Inline || b.kind == LBox::Kind::Atomic || b.kind == LBox::Kind::Text ||
         b.kind == LBox::Kind::Break;
}

double Clamp(double v, double lo, double hi) { return std::max(lo, std::min(v, hi)); }

// Border-box size from a specified length (content or border box per box-sizing).
double SpecifiedSize(const LBox& b, const style::Length& l, double base, double edges) {
  double v = l.Resolve(base, 0);
  return b.st.borderBox ? std::max(v, edges) : v + edges;
}

double ClampWidth(const LBox& b, double w, double cbW) {
  double edges = HorizontalEdges(b);
  double lo = b.st.minWidth.IsAuto() ? 0 : SpecifiedSize(b, b.st.minWidth, cbW, edges);
  double hi = b.st.maxWidth.IsAuto() || (b.st.maxWidth.kind == style::Length::Percent && cbW < 0)
                  ? 1e9
                  : SpecifiedSize(b, b.st.maxWidth, cbW, edges);
  return std::max(edges, Clamp(w, lo, std::max(lo, hi)));
}

double ClampHeight(const LBox& b, double h, double cbH) {
  double edges = VerticalEdges(b);
  double lo = 0, hi = 1e9;
  if (!b.st.minHeight.IsAuto() && (b.st.minHeight.kind == style::Length::Px || cbH >= 0))
    lo = SpecifiedSize(b, b.st.minHeight, cbH, edges);
  if (!b.st.maxHeight.IsAuto() && (b.st.maxHeight.kind == style::Length::Px || cbH >= 0))
    hi = SpecifiedSize(b, b.st.maxHeight, cbH, edges);
  return std::max(edges, Clamp(h, lo, std::max(lo, hi)));
}

bool DefiniteHeight(const LBox& b, double cbH) {
  return b.st.height.kind == style::Length::Px || (b.st.height.kind == style::Length::Percent && cbH >= 0);
}

// Content height of block-level flow: blocks stacked, inline runs as lines.
double LayoutFlow(LBox& b, double x, double y, double width, double height, Ctx& c) {
  double cursor = y;
  double previousMargin = 0;
  size_t i = 0;
  while (i < b.kids.size()) {
    LBox& kid = *b.kids[i];
    if (kid.kind != LBox::Kind::Text && kid.kind != LBox::Kind::Break && style::IsOutOfFlow(kid.st)) {
      PlaceOutOfFlow(kid, x, cursor, c);
      ++i;
      continue;
    }
    if (kid.kind == LBox::Kind::Block) {
      LayoutBox(kid, x, cursor, width, height, c);
      double overlap = std::min(std::max(previousMargin, 0.0), std::max(kid.m[style::kTop], 0.0));
      if (overlap > 0) Translate(kid, 0, -overlap);
      cursor = kid.y - kid.relativeY + kid.h + kid.m[style::kBottom];
      previousMargin = kid.m[style::kBottom];
      if (kid.hasBaseline) {
        b.hasBaseline = true;
        b.baseline = kid.baseline;
      }
      ++i;
      continue;
    }
    size_t j = i;
    while (j < b.kids.size() && (IsInlineLevel(*b.kids[j]) || style::IsOutOfFlow(b.kids[j]->st))) ++j;
    double h = LayoutInline(b, i, j, x, cursor, width, c);
    if (h > 0) {
      cursor += h;
      previousMargin = 0;
    }
    i = j;
  }
  return cursor - y;
}

// A block without top border or padding shares its top margin with its first in-flow
// child: the larger of the two stays, above the block. Returns what the content lost.
double CollapseFirstMargin(LBox& b) {
  if (b.kind != LBox::Kind::Block || b.image || b.st.overflowHidden || style::IsOutOfFlow(b.st) || !b.parent ||
      b.parent->flex || b.b[style::kTop] > 0 || b.p[style::kTop] > 0)
    return 0;
  LBox* first = nullptr;
  for (auto& k : b.kids) {
    if (k->kind == LBox::Kind::Text || k->kind == LBox::Kind::Break || !style::IsOutOfFlow(k->st)) {
      first = k.get();
      break;
    }
  }
  if (!first || first->kind != LBox::Kind::Block || first->m[style::kTop] <= 0) return 0;
  double shared = first->m[style::kTop];
  for (auto& k : b.kids) Translate(*k, 0, -shared);
  double top = std::max(b.m[style::kTop], shared);
  Translate(b, 0, top - b.m[style::kTop]);
  b.m[style::kTop] = top;
  return shared;
}

void LayoutImage(LBox& b, double cbW, double cbH, double forceW, double forceH) {
  double iw = b.picture ? b.picture->width : 0, ih = b.picture ? b.picture->height : 0;
  double hEdges = HorizontalEdges(b), vEdges = VerticalEdges(b);
  double w = -1, h = -1;
  if (forceW >= 0) w = forceW - hEdges;
  else if (!b.st.width.IsAuto() && (b.st.width.kind == style::Length::Px || cbW >= 0))
    w = SpecifiedSize(b, b.st.width, cbW, hEdges) - hEdges;
  if (forceH >= 0) h = forceH - vEdges;
  else if (DefiniteHeight(b, cbH)) h = SpecifiedSize(b, b.st.height, cbH, vEdges) - vEdges;
  if (w < 0 && h < 0) w = iw, h = ih;
  else if (w < 0) w = ih > 0 ? h * iw / ih : 0;
  else if (h < 0) h = iw > 0 ? w * ih / iw : 0;
  b.w = ClampWidth(b, w + hEdges, cbW);
  b.h = ClampHeight(b, h + vEdges, cbH);
}

void LayoutOutOfFlowKids(LBox& b, Ctx& c) {
  Rect padding{b.x + b.b[style::kLeft], b.y + b.b[style::kTop], b.w - b.b[style::kLeft] - b.b[style::kRight],
               b.h - b.b[style::kTop] - b.b[style::kBottom]};
  std::vector<LBox*> kids = b.absKids;
  for (LBox* a : kids) LayoutAbsolute(*a, padding, c);
}

}  // namespace

void LayoutAbsolute(LBox& a, const Rect& cb, Ctx& c) {
  ResolveEdges(a, cb.w);
  const style::Length* inset = a.st.inset;
  bool hasL = !inset[style::kLeft].IsAuto(), hasR = !inset[style::kRight].IsAuto();
  bool hasT = !inset[style::kTop].IsAuto(), hasB = !inset[style::kBottom].IsAuto();
  double L = inset[style::kLeft].Resolve(cb.w), R = inset[style::kRight].Resolve(cb.w);
  double T = inset[style::kTop].Resolve(cb.h), B = inset[style::kBottom].Resolve(cb.h);
  double ml = a.m[style::kLeft], mr = a.m[style::kRight], mt = a.m[style::kTop], mb = a.m[style::kBottom];
  double forceW = -1, forceH = -1;
  if (!a.image) {
    if (!a.st.width.IsAuto()) forceW = SpecifiedSize(a, a.st.width, cb.w, HorizontalEdges(a));
    else if (hasL && hasR) forceW = cb.w - L - R - ml - mr;
    else forceW = ShrinkToFit(a, cb.w - (hasL ? L : 0) - (hasR ? R : 0) - ml - mr, c);
    forceW = ClampWidth(a, std::max(0.0, forceW), cb.w);
    if (a.st.height.IsAuto() && hasT && hasB) forceH = ClampHeight(a, std::max(0.0, cb.h - T - B - mt - mb), cb.h);
  }
  LayoutBox(a, 0, 0, cb.w, cb.h, c, forceW, forceH);
  double x = hasL ? cb.x + L : hasR ? cb.x + cb.w - R - a.w - mr - ml : a.staticX;
  double y = hasT ? cb.y + T : hasB ? cb.y + cb.h - B - a.h - mb - mt : a.staticY;
  Translate(a, x + ml - a.x, y + mt - a.y);
}

std::unique_ptr<LBox> MakeTree(const css::StyleSheet& sheet, Ctx& c, dom::Node* root) {
  Builder builder{sheet, c};
  return builder.Make(root, nullptr, nullptr);
}

std::shared_ptr<const images::Image> Resources::Get(const std::string& ref) {
  if (ref.empty() || !read) return nullptr;
  auto it = cache.find(ref);
  if (it != cache.end()) return it->second;
  std::shared_ptr<const images::Image> image;
  if (auto bytes = read(ref)) image = images::Decode(*bytes);
  cache[ref] = image;
  return image;
}

fonts::Key FontOf(const style::Style& s) {
  return fonts::Key{s.fontFamily, static_cast<int>(std::lround(s.fontSize)), s.fontWeight, s.italic};
}

double HorizontalEdges(const LBox& b) {
  return b.b[style::kLeft] + b.b[style::kRight] + b.p[style::kLeft] + b.p[style::kRight];
}
double VerticalEdges(const LBox& b) {
  return b.b[style::kTop] + b.b[style::kBottom] + b.p[style::kTop] + b.p[style::kBottom];
}

void ResolveEdges(LBox& b, double cbW) {
  double base = cbW < 0 ? 0 : cbW;
  for (int i = 0; i < 4; ++i) {
    b.m[i] = b.st.margin[i].Resolve(base, 0);
    b.p[i] = std::max(0.0, b.st.padding[i].Resolve(base, 0));
    b.b[i] = b.st.border[i];
  }
}

void Translate(LBox& b, double dx, double dy) {
  if (dx == 0 && dy == 0) return;
  b.x += dx;
  b.y += dy;
  b.staticX += dx;
  b.staticY += dy;
  b.baseline += dy;
  for (Fragment& f : b.frags) {
    f.rect.x += dx;
    f.rect.y += dy;
  }
  for (auto& k : b.kids) Translate(*k, dx, dy);
}

void PlaceOutOfFlow(LBox& b, double x, double y, Ctx& c) {
  b.staticX = x;
  b.staticY = y;
  std::vector<LBox*>* list = &c.viewportKids;
  if (b.st.position == style::Position::Absolute) {
    for (LBox* p = b.parent; p; p = p->parent) {
      if (style::IsPositioned(p->st) && !p->anonymous) {
        list = &p->absKids;
        break;
      }
    }
  }
  if (std::find(list->begin(), list->end(), &b) == list->end()) list->push_back(&b);
}

double ShrinkToFit(LBox& b, double available, Ctx& c) {
  double maxW = Intrinsic(b, false, c);
  double minW = Intrinsic(b, true, c);
  return std::max(minW, std::min(maxW, std::max(0.0, available)));
}

double Intrinsic(LBox& b, bool minimum, Ctx& c) {
  ResolveEdges(b, -1);
  double edges = HorizontalEdges(b);
  if (b.st.width.kind == style::Length::Px) return ClampWidth(b, SpecifiedSize(b, b.st.width, 0, edges), -1);
  if (b.image) {
    LayoutImage(b, -1, -1, -1, -1);
    return b.w;
  }
  double content = 0;
  if (b.flex) {
    content = FlexIntrinsic(b, minimum, c);
  } else {
    size_t i = 0;
    while (i < b.kids.size()) {
      LBox& kid = *b.kids[i];
      if (kid.kind != LBox::Kind::Text && kid.kind != LBox::Kind::Break && style::IsOutOfFlow(kid.st)) {
        ++i;
        continue;
      }
      if (kid.kind == LBox::Kind::Block) {
        double w = Intrinsic(kid, minimum, c);
        ResolveEdges(kid, -1);
        content = std::max(content, w + std::max(0.0, kid.m[style::kLeft]) + std::max(0.0, kid.m[style::kRight]));
        ++i;
        continue;
      }
      size_t j = i;
      while (j < b.kids.size() && (IsInlineLevel(*b.kids[j]) || style::IsOutOfFlow(b.kids[j]->st))) ++j;
      content = std::max(content, InlineIntrinsic(b, i, j, minimum, c));
      i = j;
    }
  }
  ResolveEdges(b, -1);
  return ClampWidth(b, content + edges, -1);
}

void LayoutBox(LBox& b, double x, double y, double cbW, double cbH, Ctx& c, double forceW, double forceH) {
  ResolveEdges(b, cbW);
  b.frags.clear();
  b.relativeY = 0;
  b.hasBaseline = false;
  if (b.image) {
    LayoutImage(b, cbW, cbH, forceW, forceH);
    b.x = x + b.m[style::kLeft];
    b.y = y + b.m[style::kTop];
    return;
  }
  double hEdges = HorizontalEdges(b), vEdges = VerticalEdges(b);
  const style::Length* margin = b.st.margin;
  double w;
  if (forceW >= 0) {
    w = forceW;
  } else if (!b.st.width.IsAuto() && (b.st.width.kind == style::Length::Px || cbW >= 0)) {
    w = ClampWidth(b, SpecifiedSize(b, b.st.width, cbW, hEdges), cbW);
    if (margin[style::kLeft].IsAuto() && margin[style::kRight].IsAuto() && cbW > w) {
      b.m[style::kLeft] = b.m[style::kRight] = (cbW - w) / 2;
    } else if (margin[style::kLeft].IsAuto() && cbW > w) {
      b.m[style::kLeft] = cbW - w - b.m[style::kRight];
    }
  } else if (b.kind == LBox::Kind::Atomic) {
    w = ClampWidth(b, ShrinkToFit(b, cbW - b.m[style::kLeft] - b.m[style::kRight], c), cbW);
  } else {
    w = ClampWidth(b, std::max(0.0, cbW - b.m[style::kLeft] - b.m[style::kRight]), cbW);
  }
  b.w = w;
  b.x = x + b.m[style::kLeft];
  b.y = y + b.m[style::kTop];
  double cx = b.x + b.b[style::kLeft] + b.p[style::kLeft];
  double cy = b.y + b.b[style::kTop] + b.p[style::kTop];
  double cw = std::max(0.0, w - hEdges);
  double ch = -1;
  if (forceH >= 0) ch = std::max(0.0, forceH - vEdges);
  else if (DefiniteHeight(b, cbH))
    ch = std::max(0.0, ClampHeight(b, SpecifiedSize(b, b.st.height, cbH, vEdges), cbH) - vEdges);
  double contentH = b.flex ? LayoutFlex(b, cx, cy, cw, ch, c) : LayoutFlow(b, cx, cy, cw, ch, c);
  if (!b.flex) contentH -= CollapseFirstMargin(b);
  if (b.flex) {
    for (auto& k : b.kids) {
      if (k->kind != LBox::Kind::Text && k->hasBaseline && !style::IsOutOfFlow(k->st)) {
        b.hasBaseline = true;
        b.baseline = k->baseline;
        break;
      }
    }
  }
  if (forceH >= 0) b.h = forceH;
  else if (ch >= 0) b.h = ch + vEdges;
  else b.h = ClampHeight(b, contentH + vEdges, cbH);
  if (b.st.position == style::Position::Relative) {
    const style::Length* inset = b.st.inset;
    double dx = !inset[style::kLeft].IsAuto()    ? inset[style::kLeft].Resolve(cbW)
                : !inset[style::kRight].IsAuto() ? -inset[style::kRight].Resolve(cbW)
                                                 : 0;
    double dy = !inset[style::kTop].IsAuto()      ? inset[style::kTop].Resolve(cbH)
                : !inset[style::kBottom].IsAuto() ? -inset[style::kBottom].Resolve(cbH)
                                                  : 0;
    Translate(b, dx, dy);
    b.relativeY = dy;
  }
  if (style::IsPositioned(b.st)) LayoutOutOfFlowKids(b, c);
}

}  // namespace layout
