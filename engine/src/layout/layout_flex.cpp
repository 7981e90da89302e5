// Flex formatting: row (wrapping onto more lines with flex-wrap) or column (one line),
// flex-grow and flex-shrink, justify-content, align-items/align-self and gap.
#include <algorithm>
#include <cmath>

#include "layout/layout_tree.h"

namespace layout {
namespace {

struct Item {
  LBox* box;
  double base = 0;  // border-box main size before flexing
  double size = 0;  // after flexing
  double lo = 0, hi = 1e9;
  double marginMain = 0;
};

double Specified(const LBox& b, const style::Length& l, double base, double edges) {
  double v = l.Resolve(base, 0);
  return b.st.borderBox ? std::max(v, edges) : v + edges;
}

void Flex(std::vector<Item>& items, double available) {
  double used = 0;
  double grow = 0, shrinkWeight = 0;
  for (Item& it : items) {
    it.size = std::max(it.lo, std::min(it.base, it.hi));
    used += it.size + it.marginMain;
    grow += it.box->st.grow;
    shrinkWeight += it.box->st.shrink * it.base;
  }
  double free = available - used;
  if (free > 0 && grow > 0) {
    double factor = std::max(1.0, grow);  // grow factors under 1 in sum take only part of the space
    for (Item& it : items) it.size = std::min(it.hi, it.size + free * it.box->st.grow / factor);
  } else if (free < 0 && shrinkWeight > 0) {
    for (Item& it : items) it.size = std::max(it.lo, it.size + free * it.box->st.shrink * it.base / shrinkWeight);
  }
}

style::Align AlignOf(const LBox& container, const LBox& item) {
  return item.st.alignSelf.value_or(container.st.alignItems);
}

// Offsets of the first item and between items for the leftover space.
void Justify(style::Justify j, double free, size_t n, double& start, double& between) {
  start = 0;
  between = 0;
  if (n == 0) return;
  switch (j) {
    case style::Justify::Start: break;
    case style::Justify::End: start = free; break;
    case style::Justify::Center: start = free / 2; break;
    case style::Justify::SpaceBetween:
      if (free > 0 && n > 1) between = free / static_cast<double>(n - 1);
      break;
    case style::Justify::SpaceAround:
      if (free > 0) {
        between = free / static_cast<double>(n);
        start = between / 2;
      } else {
        start = free / 2;
      }
      break;
    case style::Justify::SpaceEvenly:
      if (free > 0) start = between = free / static_cast<double>(n + 1);
      else start = free / 2;
      break;
  }
}

std::vector<LBox*> InFlow(LBox& b, double x, double y, Ctx& c) {
  std::vector<LBox*> out;
  for (auto& k : b.kids) {
    if (k->kind == LBox::Kind::Text || k->kind == LBox::Kind::Break) continue;
    if (style::IsOutOfFlow(k->st)) {
      PlaceOutOfFlow(*k, x, y, c);
      continue;
    }
    out.push_back(k.get());
  }
  if (b.st.reverse) std::reverse(out.begin(), out.end());
  return out;
}

}  // namespace

double FlexIntrinsic(LBox& b, bool minimum, Ctx& c) {
  double total = 0;
  size_t n = 0;
  for (auto& k : b.kids) {
    if (k->kind == LBox::Kind::Text || k->kind == LBox::Kind::Break || style::IsOutOfFlow(k->st)) continue;
    double w = Intrinsic(*k, minimum, c);
    ResolveEdges(*k, -1);
    w += std::max(0.0, k->m[style::kLeft]) + std::max(0.0, k->m[style::kRight]);
    if (b.st.column) total = std::max(total, w);
    else total += w;
    ++n;
  }
  if (!b.st.column && n > 1) total += b.st.columnGap * static_cast<double>(n - 1);
  return total;
}

double LayoutFlex(LBox& b, double x, double y, double width, double height, Ctx& c) {
  std::vector<LBox*> boxes = InFlow(b, x, y, c);
  size_t n = boxes.size();
  if (n == 0) return 0;
  std::vector<Item> items;
  if (!b.st.column) {
    double gap = b.st.columnGap;
    for (LBox* k : boxes) {
      Item it;
      it.box = k;
      ResolveEdges(*k, width);
      double edges = HorizontalEdges(*k);
      if (!k->st.basis.IsAuto()) it.base = Specified(*k, k->st.basis, width, edges);
      else if (!k->st.width.IsAuto()) it.base = Specified(*k, k->st.width, width, edges);
      else it.base = Intrinsic(*k, false, c);
      ResolveEdges(*k, width);
      if (!k->st.minWidth.IsAuto() && k->st.minWidth.value > 0) it.lo = Specified(*k, k->st.minWidth, width, edges);
      else if (k->st.width.IsAuto() && !k->st.overflowHidden) it.lo = std::min(it.base, Intrinsic(*k, true, c));
      ResolveEdges(*k, width);
      if (!k->st.maxWidth.IsAuto()) it.hi = Specified(*k, k->st.maxWidth, width, edges);
      it.lo = std::max(it.lo, edges);
      it.marginMain = k->m[style::kLeft] + k->m[style::kRight];
      items.push_back(it);
    }
    // Lines: one unless flex-wrap lets items that do not fit start a new one.
    std::vector<std::vector<Item>> lines(1);
    double used = 0;
    for (Item& it : items) {
      double outer = std::max(it.lo, std::min(it.base, it.hi)) + it.marginMain;
      if (b.st.wrap && !lines.back().empty() && used + gap + outer > width + 0.01) {
        lines.emplace_back();
        used = 0;
      }
      used += (lines.back().empty() ? 0 : gap) + outer;
      lines.back().push_back(it);
    }
    double top = y;
    for (size_t li = 0; li < lines.size(); ++li) {
      std::vector<Item>& row = lines[li];
      size_t count = row.size();
      double gaps = gap * static_cast<double>(count - 1);
      Flex(row, width - gaps);
      double cross = 0;
      for (Item& it : row) {
        LayoutBox(*it.box, 0, 0, width, height, c, it.size, -1);
        cross = std::max(cross, it.box->h + it.box->m[style::kTop] + it.box->m[style::kBottom]);
      }
      double line = height >= 0 && lines.size() == 1 ? height : cross;
      double taken = gaps;
      for (Item& it : row) taken += it.box->w + it.marginMain;
      double start, between;
      Justify(b.st.justify, width - taken, count, start, between);
      double cursor = x + start;
      for (Item& it : row) {
        LBox& k = *it.box;
        double mt = k.m[style::kTop], mb = k.m[style::kBottom];
        style::Align align = AlignOf(b, k);
        if (align == style::Align::Stretch && k.st.height.IsAuto() && std::fabs(k.h - (line - mt - mb)) > 0.01) {
          LayoutBox(k, 0, 0, width, height, c, it.size, std::max(0.0, line - mt - mb));
        }
        double itemTop = top + mt;
        if (align == style::Align::End) itemTop = top + line - k.h - mb;
        else if (align == style::Align::Center) itemTop = top + (line - k.h - mt - mb) / 2 + mt;
        Translate(k, cursor + k.m[style::kLeft] - k.x, itemTop - k.y);
        cursor += k.w + it.marginMain + gap + between;
      }
      top += line + (li + 1 < lines.size() ? b.st.rowGap : 0);
    }
    return top - y;
  }

  double gap = b.st.rowGap;
  for (LBox* k : boxes) {
    Item it;
    it.box = k;
    ResolveEdges(*k, width);
    double ml = k->m[style::kLeft], mr = k->m[style::kRight];
    double forceW = -1;
    style::Align align = AlignOf(b, *k);
    if (k->st.width.IsAuto() && !k->image) {
      if (align == style::Align::Stretch) forceW = std::max(0.0, width - ml - mr);
      else forceW = ShrinkToFit(*k, width - ml - mr, c);
    }
    LayoutBox(*k, 0, 0, width, -1, c, forceW, -1);
    double edges = VerticalEdges(*k);
    if (!k->st.basis.IsAuto() && (k->st.basis.kind == style::Length::Px || height >= 0))
      it.base = Specified(*k, k->st.basis, height, edges);
    else it.base = k->h;
    if (!k->st.minHeight.IsAuto() && k->st.minHeight.value > 0 &&
        (k->st.minHeight.kind == style::Length::Px || height >= 0))
      it.lo = Specified(*k, k->st.minHeight, height, edges);
    if (!k->st.maxHeight.IsAuto() && (k->st.maxHeight.kind == style::Length::Px || height >= 0))
      it.hi = Specified(*k, k->st.maxHeight, height, edges);
    it.lo = std::max(it.lo, edges);
    it.marginMain = k->m[style::kTop] + k->m[style::kBottom];
    items.push_back(it);
  }
  double gaps = gap * static_cast<double>(n - 1);
  if (height >= 0) Flex(items, height - gaps);
  else {
    for (Item& it : items) it.size = std::max(it.lo, std::min(it.base, it.hi));
  }
  double used = gaps;
  for (Item& it : items) {
    LBox& k = *it.box;
    if (std::fabs(k.h - it.size) > 0.01) LayoutBox(k, 0, 0, width, -1, c, k.w, it.size);
    used += k.h + it.marginMain;
  }
  double start = 0, between = 0;
  if (height >= 0) Justify(b.st.justify, height - used, n, start, between);
  double cursor = y + start;
  for (Item& it : items) {
    LBox& k = *it.box;
    double ml = k.m[style::kLeft], mr = k.m[style::kRight];
    style::Align align = AlignOf(b, k);
    double left = x + ml;
    if (align == style::Align::End) left = x + width - k.w - mr;
    else if (align == style::Align::Center) left = x + (width - k.w - ml - mr) / 2 + ml;
    Translate(k, left - k.x, cursor + k.m[style::kTop] - k.y);
    cursor += k.h + it.marginMain + gap + between;
  }
  return height >= 0 ? height : used;
}

}  // namespace layout
