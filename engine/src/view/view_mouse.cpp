// Mouse input of a view: the pointer moving, buttons going down and coming up.
#include <windows.h>

#include "view/controls.h"
#include "view/view.h"

namespace view {
namespace {

enum class Phase { None, Down, Up, Move };

struct MouseMessage {
  Phase phase = Phase::None;
  int button = 0;
  bool doubleClick = false;
};

MouseMessage Classify(unsigned message) {
  switch (message) {
    case WM_MOUSEMOVE: return {Phase::Move, 0, false};
    case WM_LBUTTONDOWN: return {Phase::Down, 0, false};
    case WM_LBUTTONUP: return {Phase::Up, 0, false};
    case WM_LBUTTONDBLCLK: return {Phase::Down, 0, true};
    case WM_RBUTTONDOWN: return {Phase::Down, 2, false};
    case WM_RBUTTONUP: return {Phase::Up, 2, false};
    case WM_RBUTTONDBLCLK: return {Phase::Down, 2, false};
    case WM_MBUTTONDOWN: return {Phase::Down, 1, false};
    case WM_MBUTTONUP: return {Phase::Up, 1, false};
    case WM_MBUTTONDBLCLK: return {Phase::Down, 1, false};
    default: return {};
  }
}

events::Init MouseInit(int x, int y, int button, unsigned flags) {
  events::Init init;
  init.mouse = true;
  init.clientX = x;
  init.clientY = y;
  init.button = button;
  init.buttons = ((flags & MK_LBUTTON) ? 1 : 0) | ((flags & MK_RBUTTON) ? 2 : 0) | ((flags & MK_MBUTTON) ? 4 : 0);
  init.shiftKey = (flags & MK_SHIFT) != 0;
  init.ctrlKey = (flags & MK_CONTROL) != 0;
  init.altKey = (GetKeyState(VK_MENU) & 0x8000) != 0;
  return init;
}

}  // namespace

bool View::Mouse(unsigned message, int x, int y, unsigned flags) {
  MouseMessage m = Classify(message);
  if (m.phase == Phase::None) return false;
  page::Page* p = page_;
  dom::Node* target = Target(x, y);
  if (!p || !target) return false;
  events::Init init = MouseInit(x, y, m.button, flags);
  dom::AddRef(target);
  bool handled = m.phase == Phase::Down ? MouseDown(*p, target, init, m.doubleClick)
                 : m.phase == Phase::Up ? MouseUp(*p, target, init)
                                        : MouseMove(*p, target, init, flags);
  dom::Release(target);
  return handled;
}

bool View::MouseDown(page::Page& p, dom::Node* target, events::Init& init, bool doubleClick) {
  int button = init.button;
  downSerial_[button] = target->serial;
  if (button == 0) doubleClickPending_ = doubleClick;
  init.detail = doubleClick ? 2 : 1;
  bool prevented = false;
  bool handled = events::Fire(p, target, "mousedown", init, &prevented);
  if (button == 0 && !prevented && page_ == &p) {
    controls::Focus(p, controls::FocusableFrom(target));
    if (page_ == &p && p.doc->focus && dom::Contains(p.doc->focus, target)) {
      controls::PointAt(p, Layout(), init.clientX, init.shiftKey);
      selecting_ = true;
    }
  }
  if (button == 0 && page_ == &p) SetPressed(target);
  return handled;
}

bool View::MouseUp(page::Page& p, dom::Node* target, events::Init& init) {
  int button = init.button;
  bool same = downSerial_[button] == target->serial;
  downSerial_[button] = 0;
  init.detail = button == 0 && doubleClickPending_ ? 2 : 1;
  bool handled = events::Fire(p, target, "mouseup", init);
  if (same && page_ == &p) {
    if (button == 0) {
      bool prevented = false;
      handled = events::Fire(p, target, "click", init, &prevented) || handled;
      if (!prevented && page_ == &p) controls::Click(p, target);
      if (doubleClickPending_ && page_ == &p) handled = events::Fire(p, target, "dblclick", init) || handled;
    } else if (button == 1) {
      handled = events::Fire(p, target, "auxclick", init) || handled;
    }
  }
  if (button == 0) {
    doubleClickPending_ = false;
    selecting_ = false;
    if (page_ == &p) SetPressed(nullptr);
  }
  return handled;
}

bool View::MouseMove(page::Page& p, dom::Node* target, const events::Init& init, unsigned flags) {
  Hover(target, init);
  if (selecting_ && (flags & MK_LBUTTON) && page_ == &p) controls::PointAt(p, Layout(), init.clientX, true);
  return page_ == &p && events::Fire(p, target, "mousemove", init);
}

void View::Hover(dom::Node* target, const events::Init& init) {
  page::Page* p = page_;
  if (!p) return;
  const layout::Box* box = layout::HitBox(Layout(), init.clientX, init.clientY);
  style::Cursor cursor = box ? box->cursor : style::Cursor::Auto;
  LPCWSTR shape = IDC_ARROW;
  if (cursor == style::Cursor::Pointer) shape = IDC_HAND;
  else if (cursor == style::Cursor::Text) shape = IDC_IBEAM;
  else if (cursor == style::Cursor::Move) shape = IDC_SIZEALL;
  SetCursor(LoadCursorW(nullptr, shape));
  dom::Node* old = p->doc->hover;
  if (old == target) return;
  if (old) dom::AddRef(old);
  dom::SetState(p->doc->hover, target);
  if (Layout().usesHover || p->doc->openSelect) dom::Touch(target);
  events::Init over = init;
  over.detail = 0;
  if (old && dom::IsConnected(old)) events::Fire(*p, old, "mouseout", over);
  if (old) dom::Release(old);
  if (page_ == p && dom::IsConnected(target)) events::Fire(*p, target, "mouseover", over);
}

void View::SetPressed(dom::Node* target) {
  page::Page* p = page_;
  if (!p) return;
  if (dom::SetState(p->doc->active, target) && Layout().usesActive) dom::Touch(p->doc->root);
}

}  // namespace view
