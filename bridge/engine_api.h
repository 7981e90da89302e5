#pragma once
// The engine's entry points, resolved by name once at start-up from the engine module that
// was loaded from memory, and never changed afterwards. Every call into the engine goes
// through this table.
#include "wke.h"

// X(name, host calls it)
#define WEBSHELL_ENGINE_ENTRY_POINTS(X) \
  X(wkeInit, true)                      \
  X(wkeShutdown, true)                  \
  X(wkeCreateWebView, true)             \
  X(wkeSetFileSystem, true)             \
  X(jsBindFunction, true)               \
  X(jsBindGetter, false)                \
  X(jsBindSetter, false)                \
  X(jsArg, true)                        \
  X(jsArgCount, true)                   \
  X(jsArgType, true)                    \
  X(jsTypeOf, true)                     \
  X(jsIsNumber, false)                  \
  X(jsIsUndefined, true)                \
  X(jsToInt, true)                      \
  X(jsToDouble, true)                   \
  X(jsToString, true)                   \
  X(jsToStringW, true)                  \
  X(jsUndefined, true)                  \
  X(jsInt, true)                        \
  X(jsDouble, true)                     \
  X(jsString, true)                     \
  X(jsStringW, true)                    \
  X(jsTrue, true)                       \
  X(jsFalse, true)                      \
  X(jsObject, true)                     \
  X(jsGet, true)                        \
  X(jsSet, true)                        \
  X(jsGetAt, false)                     \
  X(jsSetAt, true)                      \
  X(jsGetGlobal, false)                 \
  X(jsSetGlobal, false)                 \
  X(jsGetLength, true)                  \
  X(jsSetLength, false)                 \
  X(jsGlobalObject, false)              \
  X(jsEval, false)                      \
  X(jsCall, true)                       \
  X(jsGetWebView, true)

namespace engine {

struct Api {
#define WEBSHELL_ENGINE_FIELD(name, used) decltype(&::name) name;
  WEBSHELL_ENGINE_ENTRY_POINTS(WEBSHELL_ENGINE_FIELD)
#undef WEBSHELL_ENGINE_FIELD
};

extern Api api;

using ExportLookup = void* (*)(const char* name, void* context);

// Fills the table in the fixed resolution order. An unknown name leaves its entry empty.
// Returns true when every entry the host calls was found.
bool ResolveApi(ExportLookup lookup, void* context);

constexpr int kApiEntryCount = 37;

}  // namespace engine
