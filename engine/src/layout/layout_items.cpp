// The painting list of a laid-out tree, Build, and hit-testing.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/text.h"
#include "css/css_style.h"
#include "dom/form_fields.h"
#include "layout/layout.h"
#include "layout/layout_tree.h"

namespace layout {
namespace {

struct Deferred {
  LBox* box;
  Clip clip;
  float opacity;
  int z;
};

void Radii(const LBox& b, const Rect& r, double out[4]) {
  double side = std::min(r.w, r.h);
  for (int i = 0; i < 4; ++i) out[i] = std::max(0.0, b.st.radius[i].Resolve(side, 0));
  // Adjacent corners never overlap: scale all down together when they would.
  double f = 1;
  auto fit = [&](double a, double c, double len) {
    if (a + c > len && a + c > 0) f = std::min(f, len / (a + c));
  };
  fit(out[0], out[1], r.w);
  fit(out[3], out[2], r.w);
  fit(out[0], out[3], r.h);
  fit(out[1], out[2], r.h);
  for (int i = 0; i < 4; ++i) out[i] *= f;
}

Clip Intersect(const Clip& outer, const Rect& r, const double radius[4]) {
  Clip c;
  c.active = true;
  if (!outer.active) {
    c.rect = r;
    std::copy(radius, radius + 4, c.radius);
    return c;
  }
  double x0 = std::max(outer.rect.x, r.x), y0 = std::max(outer.rect.y, r.y);
  double x1 = std::min(outer.rect.x + outer.rect.w, r.x + r.w), y1 = std::min(outer.rect.y + outer.rect.h, r.y + r.h);
  c.rect = {x0, y0, std::max(0.0, x1 - x0), std::max(0.0, y1 - y0)};
  // The inner clip's corners win; an outer rounded clip is kept as its rectangle.
  std::copy(radius, radius + 4, c.radius);
  return c;
}

struct Emitter {
  Result& out;
  Ctx& c;
  const dom::Node* canvasOwner;
  const LBox* openSelect = nullptr;

  void BackgroundImage(Box& box, const LBox& b) {
    if (b.st.backgroundImage.empty() || !c.resources) return;
    auto image = c.resources->Get(b.st.backgroundImage);
    if (!image) return;
    Rect area{b.x + b.b[style::kLeft], b.y + b.b[style::kTop], b.w - b.b[style::kLeft] - b.b[style::kRight],
              b.h - b.b[style::kTop] - b.b[style::kBottom]};
    double iw = image->width, ih = image->height, tw = iw, th = ih;
    switch (b.st.backgroundSize) {
      case style::SizeMode::Cover:
      case style::SizeMode::Contain: {
        double sx = area.w / iw, sy = area.h / ih;
        double s = b.st.backgroundSize == style::SizeMode::Cover ? std::max(sx, sy) : std::min(sx, sy);
        tw = iw * s;
        th = ih * s;
        break;
      }
      case style::SizeMode::Given: {
        const style::Length* g = b.st.backgroundSizeGiven;
        if (!g[0].IsAuto()) tw = g[0].Resolve(area.w);
        if (!g[1].IsAuto()) th = g[1].Resolve(area.h);
        if (!g[0].IsAuto() && g[1].IsAuto()) th = ih * tw / iw;
        if (g[0].IsAuto() && !g[1].IsAuto()) tw = iw * th / ih;
        break;
      }
      case style::SizeMode::Auto: break;
    }
    if (tw <= 0 || th <= 0) return;
    box.image = image;
    box.tile = {area.x + b.st.backgroundPosition[0].Resolve(area.w - tw),
                area.y + b.st.backgroundPosition[1].Resolve(area.h - th), tw, th};
    box.repeatX = b.st.backgroundRepeat == style::Repeat::Both || b.st.backgroundRepeat == style::Repeat::X;
    box.repeatY = b.st.backgroundRepeat == style::Repeat::Both || b.st.backgroundRepeat == style::Repeat::Y;
  }

  Box Decorated(const LBox& b, const Rect& r, const Clip& clip, float opacity) {
    Box box;
    box.kind = Box::Kind::Block;
    box.node = b.node;
    box.rect = r;
    box.opacity = opacity;
    box.clip = clip;
    box.cursor = b.st.cursor;
    if (b.st.background.a > 0 && b.node != canvasOwner) box.background = b.st.background;
    for (int i = 0; i < 4; ++i) {
      box.border[i] = b.b[i];
      box.borderColor[i] = b.st.borderColor[i];
      auto shade = [](css::Color col, float f) {
        col.r *= f;
        col.g *= f;
        col.b *= f;
        return col;
      };
      bool topLeft = i == style::kTop || i == style::kLeft;
      if ((b.st.borderInset[i] && topLeft) || (b.st.borderOutset[i] && !topLeft))
        box.borderColor[i] = shade(box.borderColor[i], 0.6f);
    }
    Radii(b, r, box.radius);
    return box;
  }

  // The selection and the caret of the focused text field.
  void Editing(const LBox& b, const Clip& clip, float opacity) {
    const dom::Document* doc = b.node->document;
    const LBox* run = nullptr;
    for (const auto& k : b.kids) {
      if (k->kind == LBox::Kind::Text && !k->frags.empty()) run = k.get();
    }
    double x = b.x + b.b[style::kLeft] + b.p[style::kLeft];
    double y = b.y + b.b[style::kTop] + b.p[style::kTop], h = std::max(0.0, b.h - VerticalEdges(b));
    const style::Style& st = run ? run->st : b.st;
    if (run) {
      x = run->frags[0].rect.x;
      y = run->frags[0].rect.y;
      h = run->frags[0].rect.h;
    }
    std::wstring shown = fields::Shown(b.node);
    std::vector<double> adv = fonts::Advances(FontOf(st), shown, st.letterSpacing);
    auto at = [&](size_t i) {
      double v = x;
      for (size_t k = 0; k < i && k < adv.size(); ++k) v += adv[k];
      return v;
    };
    size_t a = std::min(doc->selectionStart, doc->selectionEnd), e = std::max(doc->selectionStart, doc->selectionEnd);
    Box box;
    box.node = b.node;
    box.clip = clip;
    box.opacity = opacity;
    box.cursor = style::Cursor::Text;
    if (a != e) {
      box.rect = {at(a), y, at(e) - at(a), h};
      box.background = css::Color{51, 144, 255, 0.45f};
      out.boxes.push_back(box);
    }
    box.rect = {std::round(at(doc->selectionEnd)), y, 1, h};
    box.background = st.color;
    out.boxes.push_back(box);
    out.caret = box.rect;
  }

  void Control(const LBox& b, const Clip& clip, float opacity) {
    if (b.node == b.node->document->focus && fields::IsTextField(b.node)) Editing(b, clip, opacity);
    if (b.node->name != "input") return;
    std::string type = fields::TypeOf(b.node);
    if ((type != "checkbox" && type != "radio") || !dom::GetAttribute(b.node, "checked")) return;
    Box mark = Decorated(b, {b.x + 3, b.y + 3, std::max(0.0, b.w - 6), std::max(0.0, b.h - 6)}, clip, opacity);
    for (double& w : mark.border) w = 0;
    mark.background = css::Color{0, 117, 255, 1};
    mark.image = nullptr;
    if (type == "radio") {
      for (double& r : mark.radius) r = mark.rect.w / 2;
    }
    out.boxes.push_back(mark);
  }

  // Translucent elements paint as one layer: their items go between a BeginGroup and an
  // EndGroup item, and the group is blended at the element's opacity, so that what overlaps
  // inside it does not show through. Returns the index of the BeginGroup.
  size_t BeginGroup(float opacity) {
    Box g;
    g.kind = Box::Kind::BeginGroup;
    g.opacity = opacity;
    g.paints = false;
    out.boxes.push_back(g);
    return out.boxes.size() - 1;
  }
  void EndGroup(size_t begin) {
    if (begin + 1 == out.boxes.size()) {
      out.boxes.pop_back();  // nothing in it
      return;
    }
    double x0 = 1e18, y0 = 1e18, x1 = -1e18, y1 = -1e18;
    for (size_t i = begin + 1; i < out.boxes.size(); ++i) {
      const Box& b = out.boxes[i];
      if (b.kind == Box::Kind::BeginGroup || b.kind == Box::Kind::EndGroup) continue;
      double pad = b.text ? b.text->font.size / 3.0 + 3 : 1;
      x0 = std::min(x0, b.rect.x - pad);
      y0 = std::min(y0, b.rect.y - pad);
      x1 = std::max(x1, b.rect.x + b.rect.w + pad);
      y1 = std::max(y1, b.rect.y + b.rect.h + pad);
    }
    out.boxes[begin].rect = {x0, y0, std::max(0.0, x1 - x0), std::max(0.0, y1 - y0)};
    Box e;
    e.kind = Box::Kind::EndGroup;
    e.paints = false;
    out.boxes.push_back(e);
  }

  // opacity: relative to the layer being painted; ctxOpacity: relative to the layer of the
  // stacking context that paints the positioned descendants deferred here.
  void Emit(LBox& b, Clip clip, float opacity, float ctxOpacity, std::vector<Deferred>& deferred,
            bool contextRoot = false) {
    size_t group = SIZE_MAX;
    if (!contextRoot && b.kind != LBox::Kind::Text && b.kind != LBox::Kind::Break && b.st.opacity < 1.f) {
      group = BeginGroup(b.st.opacity * opacity);
      opacity = 1.f;
      ctxOpacity *= b.st.opacity;
    }
    switch (b.kind) {
      case LBox::Kind::Break: return;
      case LBox::Kind::Text: {
        if (!b.st.visible) return;
        for (const Fragment& f : b.frags) {
          if (f.text.empty()) continue;
          Box t;
          t.kind = Box::Kind::Text;
          t.node = b.node;
          t.rect = f.rect;
          t.opacity = opacity;
          t.clip = clip;
          t.color = b.st.color;
          t.cursor = b.st.cursor == style::Cursor::Auto ? style::Cursor::Text : b.st.cursor;
          auto run = std::make_shared<TextRun>();
          run->text = f.text;
          run->font = FontOf(b.st);
          run->letterSpacing = b.st.letterSpacing;
          run->ascent = f.ascent;
          run->underline = b.st.underline;
          run->lineThrough = b.st.lineThrough;
          t.text = std::move(run);
          out.boxes.push_back(std::move(t));
        }
        return;
      }
      case LBox::Kind::Inline: {
        if (b.st.visible) {
          for (const Fragment& f : b.frags) {
            Box box = Decorated(b, f.rect, clip, opacity);
            BackgroundImage(box, b);
            out.boxes.push_back(std::move(box));
          }
        }
        break;
      }
      case LBox::Kind::Block:
      case LBox::Kind::Atomic: {
        if (b.node == b.node->document->openSelect && b.st.visible) openSelect = &b;
        Rect r{b.x, b.y, b.w, b.h};
        if (b.st.visible && !b.anonymous && b.node != b.node->document->root &&
            b.node != dom::DocumentElement(b.node->document)) {
          Box box = Decorated(b, r, clip, opacity);
          BackgroundImage(box, b);
          out.boxes.push_back(box);
          if (b.image && b.picture) {
            Box img = box;
            img.kind = Box::Kind::Image;
            img.background.reset();
            for (double& w : img.border) w = 0;
            img.rect = {b.x + b.b[style::kLeft] + b.p[style::kLeft], b.y + b.b[style::kTop] + b.p[style::kTop],
                        std::max(0.0, b.w - HorizontalEdges(b)), std::max(0.0, b.h - VerticalEdges(b))};
            img.image = b.picture;
            img.tile = img.rect;
            img.repeatX = img.repeatY = false;
            out.boxes.push_back(std::move(img));
          }
          Control(b, clip, opacity);
        }
        if (b.st.overflowHidden) {
          Rect padding{b.x + b.b[style::kLeft], b.y + b.b[style::kTop], b.w - b.b[style::kLeft] - b.b[style::kRight],
                       b.h - b.b[style::kTop] - b.b[style::kBottom]};
          double outer[4], inner[4];
          Radii(b, r, outer);
          inner[0] = std::max(0.0, outer[0] - std::max(b.b[style::kTop], b.b[style::kLeft]));
          inner[1] = std::max(0.0, outer[1] - std::max(b.b[style::kTop], b.b[style::kRight]));
          inner[2] = std::max(0.0, outer[2] - std::max(b.b[style::kBottom], b.b[style::kRight]));
          inner[3] = std::max(0.0, outer[3] - std::max(b.b[style::kBottom], b.b[style::kLeft]));
          clip = Intersect(clip, padding, inner);
        }
        break;
      }
    }
    for (auto& k : b.kids) {
      if (k->kind != LBox::Kind::Text && style::IsPositioned(k->st)) {
        deferred.push_back({k.get(), clip, ctxOpacity, k->st.zIndex.value_or(0)});
      } else {
        Emit(*k, clip, opacity, ctxOpacity, deferred);
      }
    }
    if (group != SIZE_MAX) EndGroup(group);
  }

  // The option list of the open <select>, over everything else, below the select.
  void OptionList() {
    if (!openSelect) return;
    const LBox& s = *openSelect;
    fonts::Key font = FontOf(s.st);
    fonts::Metrics m = fonts::MetricsOf(font);
    double line = std::ceil(m.ascent + m.descent) + 4;
    std::vector<dom::Node*> options;
    dom::ForEachElement(s.node, [&](dom::Node* o) {
      if (o->name == "option") options.push_back(o);
      return true;
    });
    Box frame;
    frame.node = s.node;
    frame.rect = {s.x, s.y + s.h, std::max(s.w, 40.0), line * static_cast<double>(options.size()) + 2};
    frame.background = css::Color{255, 255, 255, 1};
    for (int i = 0; i < 4; ++i) {
      frame.border[i] = 1;
      frame.borderColor[i] = css::Color{118, 118, 118, 1};
    }
    out.boxes.push_back(frame);
    const dom::Node* hovered = s.node->document->hover;
    for (size_t i = 0; i < options.size(); ++i) {
      Box row;
      row.node = options[i];
      row.rect = {frame.rect.x + 1, frame.rect.y + 1 + line * static_cast<double>(i), frame.rect.w - 2, line};
      bool selected = dom::GetAttribute(options[i], "selected") != nullptr;
      if (hovered == options[i] || selected)
        row.background = hovered == options[i] ? css::Color{30, 144, 255, 1} : css::Color{220, 220, 220, 1};
      out.boxes.push_back(row);
      Box t;
      t.kind = Box::Kind::Text;
      t.node = options[i];
      t.rect = {row.rect.x + 4, row.rect.y + 2, frame.rect.w - 8, m.ascent + m.descent};
      t.color = hovered == options[i] ? css::Color{255, 255, 255, 1} : s.st.color;
      auto run = std::make_shared<TextRun>();
      run->text = text::CesuToWide(dom::TextContent(options[i]));
      run->font = font;
      run->ascent = m.ascent;
      t.text = std::move(run);
      t.clip = {true, row.rect, {0, 0, 0, 0}};
      out.boxes.push_back(std::move(t));
    }
  }

  void Context(LBox& b, const Clip& clip, float opacity) {
    std::vector<Deferred> deferred;
    size_t group = SIZE_MAX;
    if (b.st.opacity < 1.f) {
      group = BeginGroup(b.st.opacity * opacity);
      opacity = 1.f;
    }
    Emit(b, clip, opacity, opacity, deferred, true);
    std::stable_sort(deferred.begin(), deferred.end(), [](const Deferred& a, const Deferred& d) { return a.z < d.z; });
    for (const Deferred& d : deferred) {
      // Fixed boxes are placed against the view and escape the clips of their ancestors.
      Clip cl = d.box->st.position == style::Position::Fixed ? Clip{} : d.clip;
      Context(*d.box, cl, d.opacity);
    }
    if (group != SIZE_MAX) EndGroup(group);
  }
};

}  // namespace

Result Build(const dom::Document* doc, int viewWidth, int viewHeight, Resources* resources) {
  Result out;
  css::StyleSheet sheet = css::CollectStyleSheets(doc);
  out.usesHover = sheet.usesHover;
  out.usesActive = sheet.usesActive;
  out.usesFocus = sheet.usesFocus;
  dom::Node* rootNode = dom::DocumentElement(doc);
  if (!rootNode) return out;
  Ctx c;
  c.resources = resources;
  c.viewW = viewWidth;
  c.viewH = viewHeight;
  std::unique_ptr<LBox> root = MakeTree(sheet, c, rootNode);
  if (!root) return out;
  root->kind = LBox::Kind::Block;
  const dom::Node* canvasOwner = nullptr;
  if (root->st.background.a > 0 || !root->st.backgroundImage.empty()) {
    out.canvas = root->st.background;
    canvasOwner = rootNode;
  } else {
    for (auto& k : root->kids) {
      if (k->node && k->node->name == "body" && k->kind != LBox::Kind::Text) {
        out.canvas = k->st.background;
        canvasOwner = k->node;
        break;
      }
    }
  }
  if (out.canvas && out.canvas->a == 0) out.canvas.reset();
  LayoutBox(*root, 0, 0, viewWidth, viewHeight, c);
  Rect view{0, 0, static_cast<double>(viewWidth), static_cast<double>(viewHeight)};
  // Boxes placed against the view may hold more such boxes: lay out until none is new.
  for (size_t i = 0; i < c.viewportKids.size(); ++i) LayoutAbsolute(*c.viewportKids[i], view, c);
  Emitter e{out, c, canvasOwner};
  e.Context(*root, Clip{}, 1.f);
  e.OptionList();
  return out;
}

const Box* HitBox(const Result& layout, double x, double y) {
  for (auto it = layout.boxes.rbegin(); it != layout.boxes.rend(); ++it) {
    if (it->kind == Box::Kind::BeginGroup || it->kind == Box::Kind::EndGroup) continue;
    if (it->rect.w <= 0 || it->rect.h <= 0 || !it->rect.Contains(x, y)) continue;
    if (it->clip.active && !it->clip.rect.Contains(x, y)) continue;
    return &*it;
  }
  return nullptr;
}

dom::Node* HitTest(const Result& layout, double x, double y) {
  const Box* b = HitBox(layout, x, y);
  return b ? b->node : nullptr;
}

}  // namespace layout
