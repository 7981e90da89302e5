// Inline formatting: text broken into words, atomic boxes and inline boxes, placed on lines
// that wrap at spaces (and between CJK characters), aligned, with baselines.
#include <algorithm>
#include <cmath>
#include <map>

#include "layout/layout_tree.h"

namespace layout {
namespace {

bool IsCjk(wchar_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x3000 && c <= 0x303F);
}

bool IsSpaceChar(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f'; }

struct Piece {
  enum class Kind : unsigned char { Word, Space, Atomic, Break, Open, Close };
  Kind kind;
  LBox* box;
  std::wstring text;
  double w = 0;
  bool breakBefore = false;
  bool preserved = false;  // a space of white-space: pre that stays at the start of a line
};

struct Collector {
  Ctx& c;
  bool intrinsic;  // measuring only: atomic boxes are not laid out
  bool minimum;    // with intrinsic: min-content widths of atomic boxes
  double width;    // available line width (layout)
  double x, y;     // where out-of-flow boxes found here are noted
  std::vector<Piece> pieces;
  bool lastWasSpace = true;
  bool pendingBreak = false;

  void Text(LBox& t) {
    const style::Style& s = t.st;
    if (!intrinsic) t.frags.clear();
    bool collapse = s.whiteSpace == style::WhiteSpace::Normal || s.whiteSpace == style::WhiteSpace::NoWrap;
    bool wrap = s.whiteSpace == style::WhiteSpace::Normal || s.whiteSpace == style::WhiteSpace::PreWrap;
    fonts::Key key = FontOf(s);
    std::wstring word;
    auto flush = [&] {
      if (word.empty()) return;
      Piece p{Piece::Kind::Word, &t, word, fonts::Measure(key, word, s.letterSpacing)};
      p.breakBefore = pendingBreak;
      pieces.push_back(std::move(p));
      word.clear();
      pendingBreak = false;
    };
    for (wchar_t ch : t.text) {
      if (ch == L'\n' && !collapse) {
        flush();
        pieces.push_back({Piece::Kind::Break, &t, L"", 0});
        lastWasSpace = true;
        pendingBreak = false;
      } else if (IsSpaceChar(ch)) {
        flush();
        if (collapse) {
          if (!lastWasSpace)
            pieces.push_back({Piece::Kind::Space, &t, L" ", fonts::Measure(key, L" ", s.letterSpacing)});
        } else {
          std::wstring spaces = ch == L'\t' ? L"    " : L" ";
          Piece p{Piece::Kind::Space, &t, spaces, fonts::Measure(key, spaces, s.letterSpacing)};
          p.preserved = true;
          pieces.push_back(std::move(p));
        }
        lastWasSpace = true;
        pendingBreak = wrap;
      } else if (IsCjk(ch)) {
        flush();
        pendingBreak = pendingBreak || wrap;
        word = ch;
        flush();
        pendingBreak = wrap;
        lastWasSpace = false;
      } else {
        word += ch;
        lastWasSpace = false;
      }
    }
    flush();
  }

  void Kid(LBox& k) {
    switch (k.kind) {
      case LBox::Kind::Text: Text(k); return;
      case LBox::Kind::Break:
        pieces.push_back({Piece::Kind::Break, &k, L"", 0});
        lastWasSpace = true;
        pendingBreak = false;
        return;
      case LBox::Kind::Inline: {
        ResolveEdges(k, intrinsic ? -1 : width);
        k.frags.clear();
        Piece open{Piece::Kind::Open, &k, L"", k.m[style::kLeft] + k.b[style::kLeft] + k.p[style::kLeft]};
        open.breakBefore = pendingBreak;
        pieces.push_back(std::move(open));
        for (auto& kid : k.kids) Kid(*kid);
        pieces.push_back({Piece::Kind::Close, &k, L"", k.m[style::kRight] + k.b[style::kRight] + k.p[style::kRight]});
        return;
      }
      default: break;
    }
    if (style::IsOutOfFlow(k.st)) {
      if (!intrinsic) PlaceOutOfFlow(k, x, y, c);
      return;
    }
    double w;
    if (intrinsic) {
      w = Intrinsic(k, minimum, c);
      ResolveEdges(k, -1);
    } else {
      LayoutBox(k, 0, 0, width, -1, c);
      w = k.w;
    }
    Piece p{Piece::Kind::Atomic, &k, L"", w + k.m[style::kLeft] + k.m[style::kRight]};
    p.breakBefore = true;
    pieces.push_back(std::move(p));
    pendingBreak = true;
    lastWasSpace = false;
  }
};

struct Placed {
  size_t piece;
  double x;
};
struct Line {
  std::vector<Placed> items;
  double width = 0;
};

bool HasContent(const Line& l, const std::vector<Piece>& pieces) {
  for (const Placed& p : l.items) {
    Piece::Kind k = pieces[p.piece].kind;
    if (k == Piece::Kind::Word || k == Piece::Kind::Atomic) return true;
  }
  return false;
}

// Width up to the end of the last piece that is not a collapsible space.
double Trimmed(Line& l, const std::vector<Piece>& pieces) {
  while (!l.items.empty()) {
    const Piece& p = pieces[l.items.back().piece];
    if (p.kind != Piece::Kind::Space || p.preserved) break;
    l.items.pop_back();
  }
  if (l.items.empty()) return 0;
  return l.items.back().x + pieces[l.items.back().piece].w;
}

void Ellipsize(Line& line, std::vector<Piece>& pieces, const LBox& container, double width) {
  if (line.width <= width + 0.01) return;
  std::wstring dots = L"\x2026";
  for (size_t i = 0; i < line.items.size(); ++i) {
    Piece p = pieces[line.items[i].piece];
    double x = line.items[i].x;
    double dotsW = fonts::Measure(FontOf(p.box->st), dots, p.box->st.letterSpacing);
    if (x + p.w <= width - dotsW && i + 1 < line.items.size()) continue;
    if (p.kind == Piece::Kind::Word || p.kind == Piece::Kind::Space) {
      std::vector<double> adv = fonts::Advances(FontOf(p.box->st), p.text, p.box->st.letterSpacing);
      double used = 0;
      size_t keep = 0;
      while (keep < adv.size() && x + used + adv[keep] <= width - dotsW) used += adv[keep++];
      p.kind = Piece::Kind::Word;
      p.text = p.text.substr(0, keep) + dots;
      p.w = used + dotsW;
      pieces.push_back(p);
      line.items[i].piece = pieces.size() - 1;
      line.items.resize(i + 1);
    } else {
      line.items.resize(i);
    }
    line.width = line.items.empty() ? 0 : line.items.back().x + pieces[line.items.back().piece].w;
    (void)container;
    return;
  }
}

struct Vertical {
  double above, below;
};

Vertical TextExtent(const style::Style& s) {
  fonts::Metrics m = fonts::MetricsOf(FontOf(s));
  double content = m.ascent + m.descent;
  double lh = s.lineHeight > 0 ? s.lineHeight : content;
  double half = (lh - content) / 2;
  return {m.ascent + half, m.descent + half};
}

// Form controls clip their text yet keep its baseline.
bool IsControl(const dom::Node& n) {
  return n.name == "input" || n.name == "button" || n.name == "select" || n.name == "textarea";
}

// Room an atomic box takes above and below the baseline: its own last line's baseline sits on
// the line's (the bottom margin edge when it has none or clips its content); vertical-align:
// middle centres it on the middle of the parent's lower-case letters.
Vertical AtomicExtent(const LBox& a, const Vertical& strut) {
  double height = a.h + a.m[style::kTop] + a.m[style::kBottom];
  double above = height;
  if (a.st.middle) {
    double xMiddle = strut.above * 0.3;
    above = height / 2 + xMiddle;
  } else if (a.hasBaseline && !a.image && (!a.st.overflowHidden || IsControl(*a.node))) {
    above = a.baseline - a.y + a.m[style::kTop];
  }
  return {above, std::max(0.0, height - above)};
}

}  // namespace

double InlineIntrinsic(LBox& container, size_t first, size_t last, bool minimum, Ctx& c) {
  Collector col{c, true, minimum, 0, 0, 0, {}};
  for (size_t i = first; i < last; ++i) col.Kid(*container.kids[i]);
  double best = 0, line = 0, run = 0;
  for (const Piece& p : col.pieces) {
    if (p.kind == Piece::Kind::Break) {
      best = std::max(best, line);
      line = 0;
      run = 0;
      continue;
    }
    if (p.kind == Piece::Kind::Space && line == 0 && !p.preserved) continue;
    line += p.w;
    if (minimum) {
      // Pieces joined without a break opportunity stay together.
      if (p.breakBefore || p.kind == Piece::Kind::Space) run = 0;
      if (p.kind != Piece::Kind::Space) run += p.w;
      best = std::max(best, run);
    }
  }
  if (!minimum) best = std::max(best, line);
  return std::ceil(best - 0.01);
}

double LayoutInline(LBox& container, size_t first, size_t last, double x0, double y0, double width, Ctx& c) {
  Collector col{c, false, false, width, x0, y0, {}};
  for (size_t i = first; i < last; ++i) col.Kid(*container.kids[i]);
  std::vector<Piece>& pieces = col.pieces;
  bool wrap =
      container.st.whiteSpace == style::WhiteSpace::Normal || container.st.whiteSpace == style::WhiteSpace::PreWrap;

  std::vector<Line> lines;
  Line cur;
  double x = 0;
  bool brokeLast = false;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const Piece& p = pieces[i];
    if (p.kind == Piece::Kind::Break) {
      cur.width = Trimmed(cur, pieces);
      lines.push_back(std::move(cur));
      cur = {};
      x = 0;
      brokeLast = true;
      continue;
    }
    brokeLast = false;
    if (p.kind == Piece::Kind::Space && !p.preserved && (cur.items.empty() || x == 0)) continue;
    if (p.breakBefore && wrap && x + p.w > width + 0.01 && HasContent(cur, pieces)) {
      cur.width = Trimmed(cur, pieces);
      lines.push_back(std::move(cur));
      cur = {};
      x = 0;
    }
    cur.items.push_back({i, x});
    x += p.w;
  }
  if (!cur.items.empty() || brokeLast) {
    cur.width = Trimmed(cur, pieces);
    if (!cur.items.empty() || brokeLast) lines.push_back(std::move(cur));
  }
  bool any = false;
  for (const Line& l : lines) any = any || !l.items.empty();
  if (!any && std::none_of(pieces.begin(), pieces.end(), [](const Piece& p) { return p.kind == Piece::Kind::Break; }))
    return 0;
  if (container.st.ellipsis && container.st.overflowHidden) {
    for (Line& l : lines) Ellipsize(l, pieces, container, width);
  }

  Vertical strut = TextExtent(container.st);
  std::map<const LBox*, Vertical> extents;
  auto extentOf = [&](const LBox* b) {
    auto it = extents.find(b);
    if (it != extents.end()) return it->second;
    return extents[b] = TextExtent(b->st);
  };
  std::map<const LBox*, size_t> lastLine;      // text box -> line of its last fragment
  std::vector<std::pair<LBox*, double>> open;  // inline boxes open at the line's end, with their start
  double y = y0;
  for (size_t li = 0; li < lines.size(); ++li) {
    Line& line = lines[li];
    Vertical v = strut;
    for (const Placed& it : line.items) {
      const Piece& p = pieces[it.piece];
      if (p.kind == Piece::Kind::Atomic) {
        Vertical a = AtomicExtent(*p.box, strut);
        v.above = std::max(v.above, a.above);
        v.below = std::max(v.below, a.below);
      } else {
        Vertical e = extentOf(p.box);
        v.above = std::max(v.above, e.above);
        v.below = std::max(v.below, e.below);
      }
    }
    double baseline = y + v.above;
    double free = width - line.width;
    double dx = 0;
    if (free > 0 && container.st.textAlign == style::TextAlign::Center) dx = free / 2;
    if (free > 0 && container.st.textAlign == style::TextAlign::Right) dx = free;
    double lineStart = x0 + dx;
    for (auto& o : open) o.second = lineStart;
    auto closeFragment = [&](LBox* b, double start, double end) {
      fonts::Metrics m = fonts::MetricsOf(FontOf(b->st));
      double top = baseline - m.ascent - b->p[style::kTop] - b->b[style::kTop];
      double h = m.ascent + m.descent + VerticalEdges(*b);
      b->frags.push_back({Rect{start, top, std::max(0.0, end - start), h}, L"", 0});
    };
    for (const Placed& it : line.items) {
      Piece& p = pieces[it.piece];
      double px = lineStart + it.x;
      switch (p.kind) {
        case Piece::Kind::Word:
        case Piece::Kind::Space: {
          LBox* t = p.box;
          fonts::Metrics m = fonts::MetricsOf(FontOf(t->st));
          auto last = lastLine.find(t);
          bool extend = !t->frags.empty() && last != lastLine.end() && last->second == li &&
                        std::fabs(t->frags.back().rect.x + t->frags.back().rect.w - px) < 0.01;
          if (extend) {
            t->frags.back().text += p.text;
            t->frags.back().rect.w += p.w;
          } else {
            t->frags.push_back({Rect{px, baseline - m.ascent, p.w, m.ascent + m.descent}, p.text, m.ascent});
            lastLine[t] = li;
          }
          break;
        }
        case Piece::Kind::Atomic: {
          LBox* a = p.box;
          double top = baseline - AtomicExtent(*a, strut).above + a->m[style::kTop];
          Translate(*a, px + a->m[style::kLeft] - a->x, top - a->y);
          break;
        }
        case Piece::Kind::Open: open.push_back({p.box, px + p.box->m[style::kLeft]}); break;
        case Piece::Kind::Close: {
          auto o = std::find_if(open.begin(), open.end(), [&](const auto& e) { return e.first == p.box; });
          if (o != open.end()) {
            closeFragment(p.box, o->second, px + p.w - p.box->m[style::kRight]);
            open.erase(o);
          }
          break;
        }
        case Piece::Kind::Break: break;
      }
    }
    for (auto& o : open) closeFragment(o.first, o.second, lineStart + line.width);
    if (!line.items.empty()) {
      container.hasBaseline = true;
      container.baseline = baseline;
    }
    y += v.above + v.below;
  }
  return y - y0;
}

}  // namespace layout
