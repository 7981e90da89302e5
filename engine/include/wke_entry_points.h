#pragma once
// Every entry point wke.dll exports, as X-macro lists of X(name, hostNeedsIt). The host's
// engine table, the engine tests, the benchmark and the loader test are built from these lists,
// so an entry point is added in one place; each name must also be declared in wke.h.
//
// The script entry points, in the order the host resolves them at start-up. A missing one the
// host needs ends start-up; the others stay empty.
#define WKE_SCRIPT_ENTRY_POINTS(X) \
  X(wkeInit, true)                 \
  X(wkeShutdown, true)             \
  X(wkeCreateWebView, true)        \
  X(wkeSetFileSystem, true)        \
  X(jsBindFunction, true)          \
  X(jsBindGetter, false)           \
  X(jsBindSetter, false)           \
  X(jsArg, true)                   \
  X(jsArgCount, true)              \
  X(jsArgType, true)               \
  X(jsTypeOf, true)                \
  X(jsIsNumber, false)             \
  X(jsIsUndefined, true)           \
  X(jsToInt, true)                 \
  X(jsToDouble, true)              \
  X(jsToString, true)              \
  X(jsToStringW, true)             \
  X(jsUndefined, true)             \
  X(jsInt, true)                   \
  X(jsDouble, true)                \
  X(jsString, true)                \
  X(jsStringW, true)               \
  X(jsTrue, true)                  \
  X(jsFalse, true)                 \
  X(jsObject, true)                \
  X(jsGet, true)                   \
  X(jsSet, true)                   \
  X(jsGetAt, false)                \
  X(jsSetAt, true)                 \
  X(jsGetGlobal, false)            \
  X(jsSetGlobal, false)            \
  X(jsGetLength, true)             \
  X(jsSetLength, false)            \
  X(jsGlobalObject, false)         \
  X(jsEval, false)                 \
  X(jsCall, true)                  \
  X(jsGetWebView, true)            \
  X(jsReleaseFunction, false)      \
  X(wkeSetWorkDoneHandler, false)

// The view operations as plain functions taking the view first. The host calls them through
// the view's interface instead, so it needs none of them.
#define WKE_VIEW_ENTRY_POINTS(X) \
  X(wkeDestroyWebView, false)    \
  X(wkeSetTransparent, false)    \
  X(wkeLoadURLW, false)          \
  X(wkeLoadFileW, false)         \
  X(wkeResize, false)            \
  X(wkeSetDirty, false)          \
  X(wkeIsDirty, false)           \
  X(wkePaint, false)             \
  X(wkeSetCookieEnabled, false)  \
  X(wkeMouseEvent, false)        \
  X(wkeContextMenuEvent, false)  \
  X(wkeMouseWheel, false)        \
  X(wkeKeyUp, false)             \
  X(wkeKeyDown, false)           \
  X(wkeKeyPress, false)          \
  X(wkeFocus, false)             \
  X(wkeUnfocus, false)           \
  X(wkeGetCaret, false)          \
  X(wkeRunJSW, false)            \
  X(wkeGlobalExec, false)

#define WKE_ENTRY_POINTS(X) WKE_SCRIPT_ENTRY_POINTS(X) WKE_VIEW_ENTRY_POINTS(X)
