#pragma once
// What a form control's element says about itself: its type, its value, whether it takes the
// focus and what a text field shows.
#include <string>

#include "dom/dom.h"

namespace fields {

// The input's type attribute in lower case ("text" when it has none).
std::string TypeOf(const dom::Node* n);
bool IsInput(const dom::Node* n, const char* type);
std::wstring ValueOf(const dom::Node* n);
bool IsFocusable(const dom::Node* n);
bool IsTextField(const dom::Node* n);
// The text a field shows for its value (password fields show one star a character).
std::wstring Shown(const dom::Node* field);

}  // namespace fields
