#pragma once
// Loading a page: read the page, parse it, load its style sheets, run its scripts in
// document order, then DOMContentLoaded and load. Pages named by file are read through the
// file hooks at once; pages named by URL are fetched on a worker first.
#include <string>

#include "dom/dom.h"
#include "script/page.h"

namespace loader {

// p.url names the page (CESU-8).
void LoadFile(page::Page& p);
void LoadUrl(page::Page& p, bool cookies);
// A node entered the document: scripts added by page scripts run now.
void NodeInserted(page::Page& p, dom::Node* n);

}  // namespace loader
