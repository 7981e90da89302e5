#include "view/view.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "base/trace.h"
#include "core/text.h"
#include "loader/loader.h"
#include "paint/paint.h"
#include "platform/files.h"
#include "runtime/runtime.h"
#include "script/events.h"
#include "script/script.h"
#include "script/values.h"
#include "view/controls.h"
#include "view/new_page.h"

namespace view {
namespace {

std::vector<View*> destroyedViews;

class Busy {
 public:
  explicit Busy(View* v) : v_(v) { ++v_->busy; }
  ~Busy() { --v_->busy; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  View* v_;
};

bool KeyDownNow(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

}  // namespace

View* Create() {
  auto* v = new View;
  return v;
}

void Sweep(bool force) {
  std::vector<View*> keep;
  for (View* v : destroyedViews) {
    if (force || v->busy == 0) delete v;
    else keep.push_back(v);
  }
  destroyedViews.swap(keep);
}

View::View() { page_ = NewPage(*this, "about:blank"); }

void View::destroy() {
  if (destroyed) return;
  try {
    destroyed = true;
    page::Retire(page_);
    page_ = nullptr;
    destroyedViews.push_back(this);
    runtime::PostTask([] {});
  } catch (...) {}
}

void View::setTransparent(bool transparent) {
  if (destroyed) return;
  transparent_ = transparent;
  dirty_ = true;
}

void View::Navigate(const wchar_t* name, bool network) {
  if (destroyed || !name) return;
  Busy busy(this);
  page::Page* fresh = NewPage(*this, text::WideToCesu(name));
  if (!fresh) return;
  page::Retire(page_);
  page_ = fresh;
  dirty_ = true;
  downSerial_[0] = downSerial_[1] = downSerial_[2] = 0;
  if (network) loader::LoadUrl(*fresh, cookies_);
  else loader::LoadFile(*fresh);
}

void View::loadURL(const wchar_t* url) {
  try {
    Navigate(url, true);
  } catch (...) {}
}

void View::loadFile(const wchar_t* fileName) {
  try {
    Navigate(fileName, false);
  } catch (...) {}
}

void View::resize(int width, int height) {
  if (destroyed) return;
  width_ = width < 0 ? 0 : width;
  height_ = height < 0 ? 0 : height;
  dirty_ = true;
}

void View::setDirty(bool dirty) {
  if (!destroyed) dirty_ = dirty;
}

bool View::isDirty() {
  if (destroyed) return false;
  return dirty_ || !page_ || page_->doc->version != paintedVersion_ || page_->id != paintedPage_;
}

const layout::Result& View::Layout() {
  if (!page_) {
    layout_ = {};
    return layout_;
  }
  if (layoutPage_ != page_->id || layoutVersion_ != page_->doc->version || layoutWidth_ != width_ ||
      layoutHeight_ != height_) {
    if (resourcesPage_ != page_->id) {
      // Images are read by name through the file hooks (or from what a network page fetched
      // ahead) and decoded once per page.
      resources_ = {};
      resourcesPage_ = page_->id;
      uint32_t pageId = page_->id;
      resources_.read = [pageId](const std::string& ref) -> std::optional<std::string> {
        page::Page* p = page::FromId(pageId);
        if (!p) return std::nullopt;
        std::string name = files::Resolve(p->url, ref);
        auto it = p->prefetched.find(name);
        if (it != p->prefetched.end()) return it->second;
        if (p->networkPage) return std::nullopt;
        return files::Read(text::CesuToUtf8(name));
      };
    }
    layout_ = layout::Build(page_->doc, width_, height_, &resources_);
    layoutPage_ = page_->id;
    layoutVersion_ = page_->doc->version;
    layoutWidth_ = width_;
    layoutHeight_ = height_;
  }
  return layout_;
}

void View::paint(void* pixels, int pitch) {
  if (destroyed) return;
  try {
    Busy busy(this);
    if (pixels && width_ > 0 && height_ > 0) {
      paint::Surface surface{static_cast<unsigned char*>(pixels), width_, height_, pitch ? pitch : width_ * 4};
      const layout::Result& laidOut = Layout();
      trace::Step("engine: layout");
      paint::PaintView(surface, laidOut, transparent_);
      trace::Step("engine: painted");
    }
    dirty_ = false;
    if (page_) {
      paintedVersion_ = page_->doc->version;
      paintedPage_ = page_->id;
    }
  } catch (...) {}
}

layout::Rect View::Bounds(const dom::Node* element) {
  if (destroyed || !page_) return {};
  try {
    return BoundsIn(Layout(), element);
  } catch (...) {
    return {};
  }
}

layout::Rect View::BoundsIn(const layout::Result& layout, const dom::Node* element) {
  bool found = false;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  for (const layout::Box& b : layout.boxes) {
    if (b.node != element || b.kind == layout::Box::Kind::Text) continue;
    const layout::Rect& r = b.rect;
    if (!found) {
      x0 = r.x, y0 = r.y, x1 = r.x + r.w, y1 = r.y + r.h;
      found = true;
    } else {
      x0 = std::min(x0, r.x), y0 = std::min(y0, r.y), x1 = std::max(x1, r.x + r.w), y1 = std::max(y1, r.y + r.h);
    }
  }
  return found ? layout::Rect{x0, y0, x1 - x0, y1 - y0} : layout::Rect{};
}

void View::setCookieEnabled(bool enabled) {
  if (!destroyed) cookies_ = enabled;
}

dom::Node* View::Target(int x, int y) {
  if (!page_) return nullptr;
  dom::Node* hit = layout::HitTest(Layout(), x, y);
  if (!hit) hit = dom::Body(page_->doc);
  if (!hit) hit = dom::DocumentElement(page_->doc);
  return hit;
}

bool View::mouseEvent(unsigned message, int x, int y, unsigned flags) {
  if (destroyed) return false;
  try {
    Busy busy(this);
    return Mouse(message, x, y, flags);
  } catch (...) {
    return false;
  }
}

bool View::contextMenuEvent(int x, int y, unsigned flags) {
  if (destroyed) return false;
  try {
    Busy busy(this);
    page::Page* p = page_;
    dom::Node* target = Target(x, y);
    if (!p || !target) return false;
    events::Init init;
    init.mouse = true;
    init.clientX = x;
    init.clientY = y;
    init.button = 2;
    init.shiftKey = (flags & MK_SHIFT) != 0;
    init.ctrlKey = (flags & MK_CONTROL) != 0;
    dom::AddRef(target);
    bool handled = events::Fire(*p, target, "contextmenu", init);
    dom::Release(target);
    return handled;
  } catch (...) {
    return false;
  }
}

bool View::mouseWheel(int x, int y, int delta, unsigned flags) {
  if (destroyed) return false;
  try {
    Busy busy(this);
    page::Page* p = page_;
    dom::Node* target = Target(x, y);
    if (!p || !target) return false;
    events::Init init;
    init.wheel = true;
    init.clientX = x;
    init.clientY = y;
    init.deltaY = -delta;
    init.wheelDelta = delta;
    init.shiftKey = (flags & MK_SHIFT) != 0;
    init.ctrlKey = (flags & MK_CONTROL) != 0;
    dom::AddRef(target);
    bool handled = events::Fire(*p, target, "wheel", init);
    dom::Release(target);
    return handled;
  } catch (...) {
    return false;
  }
}

bool View::Key(const char* type, unsigned code, unsigned flags, bool press) {
  page::Page* p = page_;
  if (!p) return false;
  dom::Node* target = p->doc->focus && dom::IsConnected(p->doc->focus) ? p->doc->focus : dom::Body(p->doc);
  if (!target) target = dom::DocumentElement(p->doc);
  if (!target) return false;
  events::Init init;
  init.keyboard = true;
  init.keyCode = code;
  init.charCode = press ? code : 0;
  init.repeat = (flags & KF_REPEAT) != 0;
  init.shiftKey = KeyDownNow(VK_SHIFT);
  init.ctrlKey = KeyDownNow(VK_CONTROL);
  init.altKey = KeyDownNow(VK_MENU) || (flags & KF_ALTDOWN) != 0;
  dom::AddRef(target);
  bool prevented = false;
  bool handled = events::Fire(*p, target, type, init, &prevented);
  dom::Release(target);
  if (prevented || page_ != p) return handled;
  // What the key does in the page itself: editing the focused field, moving the focus.
  if (press) handled = controls::Char(*p, code) || handled;
  else if (std::string_view(type) == "keydown")
    handled = controls::KeyDown(*p, code, init.shiftKey, init.ctrlKey) || handled;
  return handled;
}

bool View::GuardedKey(const char* type, unsigned code, unsigned flags, bool press) {
  if (destroyed) return false;
  try {
    Busy busy(this);
    return Key(type, code, flags, press);
  } catch (...) {
    return false;
  }
}

bool View::keyUp(unsigned virtualKey, unsigned flags, bool) { return GuardedKey("keyup", virtualKey, flags, false); }

bool View::keyDown(unsigned virtualKey, unsigned flags, bool) {
  return GuardedKey("keydown", virtualKey, flags, false);
}

bool View::keyPress(unsigned charCode, unsigned flags, bool) { return GuardedKey("keypress", charCode, flags, true); }

void View::focus() {
  if (destroyed || !page_) return;
  try {
    Busy busy(this);
    events::Init init;
    init.bubbles = false;
    events::Fire(*page_, nullptr, "focus", init);
  } catch (...) {}
}

void View::unfocus() {
  if (destroyed || !page_) return;
  try {
    Busy busy(this);
    events::Init init;
    init.bubbles = false;
    events::Fire(*page_, nullptr, "blur", init);
  } catch (...) {}
}

const wkeRect* View::getCaret() {
  caret_ = {0, 0, 0, 0};
  if (destroyed || !page_) return &caret_;
  try {
    if (const auto& c = Layout().caret) {
      caret_ = {static_cast<int>(std::lround(c->x)), static_cast<int>(std::lround(c->y)), 1,
                static_cast<int>(std::lround(c->h))};
    }
  } catch (...) {}
  return &caret_;
}

jsValue View::runJS(const wchar_t* source) {
  if (destroyed || !page_ || !source) return values::Undefined();
  try {
    Busy busy(this);
    page::Page& p = *page_;
    values::ReleaseHostScope(p, p.ctx);
    if (!script::Run(p, text::WideToCesu(source), "runJS", 1)) return values::Undefined();
    jsValue v = values::FromStack(p, p.ctx, -1);
    duk_pop(p.ctx);
    return v;
  } catch (...) {
    return values::Undefined();
  }
}

jsExecState View::globalExec() {
  if (destroyed || !page_) return nullptr;
  return &page_->globalExec;
}

}  // namespace view
