#pragma once
// Wiring a new page together for a view.
#include <string>

#include "script/page.h"

namespace view {

class View;

// A page of v with an empty document, natives installed and the start-up script run; nullptr
// when no script heap can be made.
page::Page* NewPage(View& v, const std::string& url);

}  // namespace view
