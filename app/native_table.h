#pragma once
// The script functions the host binds into every page, in binding order. The handler of the
// script function Name is natives::Js_Name (Win32 macros take many of the plain names).
#include <cstddef>
#include <span>

#include "bridge/engine_api.h"

namespace natives {

struct NativeRow {
  const char* name;
  jsNativeFunction handler;
  unsigned argCount;
};

std::span<const NativeRow> Table();

// The handler of rows whose function the host does not offer yet: returns undefined.
jsValue WKE_CALL NotYetBuilt(jsExecState es) noexcept;
size_t NotYetBuiltCount();

// Binds every row with jsBindFunction, in order.
void BindAll();

}  // namespace natives
