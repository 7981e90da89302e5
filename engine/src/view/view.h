#pragma once
// A web view: the interface object the host drives. It owns its current page, paints it and
// turns input into DOM events.
#include <cstdint>

#include "layout/layout.h"
#include "script/events.h"
#include "script/page.h"
#include "wke.h"

namespace view {

class View final : public wkeWebViewInterface {
 public:
  View();
  void destroy() override;
  void setTransparent(bool transparent) override;
  void loadURL(const wchar_t* url) override;
  void loadFile(const wchar_t* fileName) override;
  void resize(int width, int height) override;
  void setDirty(bool dirty) override;
  bool isDirty() override;
  void paint(void* pixels, int pitch) override;
  void setCookieEnabled(bool enabled) override;
  bool mouseEvent(unsigned message, int x, int y, unsigned flags) override;
  bool contextMenuEvent(int x, int y, unsigned flags) override;
  bool mouseWheel(int x, int y, int delta, unsigned flags) override;
  bool keyUp(unsigned virtualKey, unsigned flags, bool systemKey) override;
  bool keyDown(unsigned virtualKey, unsigned flags, bool systemKey) override;
  bool keyPress(unsigned charCode, unsigned flags, bool systemKey) override;
  void focus() override;
  void unfocus() override;
  const wkeRect* getCaret() override;
  jsValue runJS(const wchar_t* script) override;
  jsExecState globalExec() override;

  // The element's border box in the current layout (union of its pieces for inline
  // elements); empty when it is not rendered.
  layout::Rect Bounds(const dom::Node* element);

  // Operations in progress on this view; a destroyed view is freed when none is.
  int busy = 0;
  bool destroyed = false;

 private:
  friend void Sweep(bool force);
  ~View() = default;
  void Navigate(const wchar_t* name, bool network);
  const layout::Result& Layout();
  static layout::Rect BoundsIn(const layout::Result& layout, const dom::Node* element);
  dom::Node* Target(int x, int y);
  bool Mouse(unsigned message, int x, int y, unsigned flags);
  // One phase of a mouse message each; the target is referenced while they run.
  bool MouseDown(page::Page& p, dom::Node* target, events::Init& init, bool doubleClick);
  bool MouseUp(page::Page& p, dom::Node* target, events::Init& init);
  bool MouseMove(page::Page& p, dom::Node* target, const events::Init& init, unsigned flags);
  bool Key(const char* type, unsigned code, unsigned flags, bool press);
  // Key inside the view's busy guard, never throwing out of the engine.
  bool GuardedKey(const char* type, unsigned code, unsigned flags, bool press);
  // Moves :hover to the element under the pointer (mouseover/mouseout fire); restyles when
  // the page's rules depend on it.
  void Hover(dom::Node* target, const events::Init& init);
  void SetPressed(dom::Node* target);

  page::Page* page_ = nullptr;
  bool transparent_ = false;
  bool cookies_ = false;
  bool dirty_ = true;
  int width_ = 0, height_ = 0;
  uint64_t paintedVersion_ = 0;
  uint32_t paintedPage_ = 0;
  layout::Result layout_;
  layout::Resources resources_;
  uint32_t resourcesPage_ = 0;
  uint64_t layoutVersion_ = 0;
  uint32_t layoutPage_ = 0;
  int layoutWidth_ = -1, layoutHeight_ = -1;
  wkeRect caret_{0, 0, 0, 0};
  uint32_t downSerial_[3] = {0, 0, 0};
  bool doubleClickPending_ = false;
  bool selecting_ = false;  // the left button went down in the focused text field
};

View* Create();
// Frees destroyed views that are not in use (all of them when force is set).
void Sweep(bool force);

}  // namespace view
