#pragma once
// Events the engine raises itself (input, loading), dispatched through the page's script
// event system so listeners, on<type> properties and attributes all see them.
#include <string>

#include "dom/dom.h"
#include "script/page.h"

namespace events {

struct Init {
  bool bubbles = true;
  bool mouse = false;
  double clientX = 0, clientY = 0;
  int button = 0, buttons = 0, detail = 0;
  bool keyboard = false;
  unsigned keyCode = 0, charCode = 0;
  bool repeat = false;
  bool wheel = false;
  double deltaY = 0;
  int wheelDelta = 0;
  bool shiftKey = false, ctrlKey = false, altKey = false;
};

// Dispatches type at target (nullptr: the window). True when a listener was reached or
// called preventDefault; prevented (if given) tells the latter alone.
bool Fire(page::Page& p, dom::Node* target, const char* type, const Init& init, bool* prevented = nullptr);

}  // namespace events
