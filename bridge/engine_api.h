#pragma once
// The engine's entry points, resolved by name once at start-up from the engine module that
// was loaded from memory, and never changed afterwards. Every call into the engine goes
// through this table.
#include "wke.h"
#include "wke_entry_points.h"

namespace engine {

struct Api {
#define WEBSHELL_ENGINE_FIELD(name, used) decltype(&::name) name;
  WKE_SCRIPT_ENTRY_POINTS(WEBSHELL_ENGINE_FIELD)
#undef WEBSHELL_ENGINE_FIELD
};

extern Api api;

using ExportLookup = void* (*)(const char* name, void* context);

// Fills the table in the fixed resolution order. An unknown name leaves its entry empty.
// Returns true when every entry the host calls was found.
bool ResolveApi(ExportLookup lookup, void* context);

}  // namespace engine
