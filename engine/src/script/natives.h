#pragma once
// Native functions bound by the host: visible as globals in every page, present and future.
#include "script/page.h"
#include "wke.h"

namespace natives {

void Bind(const char* name, jsNativeFunction function, unsigned argCount);
// A global property whose getter (or setter) is the native function.
void BindAccessor(const char* name, jsNativeFunction function, bool getter);
void InstallAll(page::Page& p);
void Clear();

}  // namespace natives
