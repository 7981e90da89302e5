#include "engine_api.h"

namespace engine {

Api api{};

bool ResolveApi(ExportLookup lookup, void* context) {
  bool complete = true;
#define WEBSHELL_ENGINE_RESOLVE(name, used)                                \
  api.name = reinterpret_cast<decltype(api.name)>(lookup(#name, context)); \
  if (used && !api.name) complete = false;
  WKE_SCRIPT_ENTRY_POINTS(WEBSHELL_ENGINE_RESOLVE)
#undef WEBSHELL_ENGINE_RESOLVE
  return complete;
}

}  // namespace engine
