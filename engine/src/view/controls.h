#pragma once
// What form controls and links do on their own: focus (mouse and Tab), typing into text
// fields with a caret and a selection, check boxes and radio buttons, labels, and links that
// load another page of the package.
#include "dom/dom.h"
#include "layout/layout.h"
#include "script/page.h"

namespace controls {

// The element that takes the focus when n is pressed (n or an ancestor), or nullptr.
dom::Node* FocusableFrom(dom::Node* n);
// Moves the focus (nullptr: none): blur, change (when a field's value changed) and focus fire.
void Focus(page::Page& p, dom::Node* n);
// Places the caret of the focused field under the pointer (extend: selects up to there).
void PointAt(page::Page& p, const layout::Result& layout, double x, bool extend);
// The default action of a left click on target: labels, check boxes, radio buttons, links.
void Click(page::Page& p, dom::Node* target);
// Editing and focus keys; true when the key was used.
bool KeyDown(page::Page& p, unsigned virtualKey, bool shift, bool ctrl);
// A typed character for the focused field; true when it was used.
bool Char(page::Page& p, unsigned code);

}  // namespace controls
