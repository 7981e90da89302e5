#pragma once
// The interface between the host and its web engine wke.dll: opaque script values, the
// exported entry points, the five file hooks and the view interface object. Both sides
// compile this one header; the host resolves the entry points by name at start-up.
#include <stdint.h>
#include <wchar.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#define WKE_CALL __cdecl

// A script value: an opaque 64-bit handle that only the engine interprets.
typedef int64_t jsValue;
// The script context of the page that made a call.
typedef struct jsExecStateImpl* jsExecState;

// Type codes of jsTypeOf and jsArgType. The host tests only JSTYPE_STRING and JSTYPE_FUNCTION.
typedef enum {
  JSTYPE_NUMBER = 0,
  JSTYPE_STRING = 1,
  JSTYPE_BOOLEAN = 2,
  JSTYPE_OBJECT = 3,
  JSTYPE_FUNCTION = 4,
  JSTYPE_UNDEFINED = 5,
  JSTYPE_NULL = 6,
} jsType;

// A native function callable from every page: reads its arguments through the exec state
// and returns exactly one value.
typedef jsValue(WKE_CALL* jsNativeFunction)(jsExecState es);

// File hooks through which the engine reads every page, script, style sheet and image.
typedef void*(WKE_CALL* wkeFileOpen)(const char* utf8Name);
typedef void(WKE_CALL* wkeFileClose)(void* handle);
typedef unsigned(WKE_CALL* wkeFileSize)(void* handle);
typedef int(WKE_CALL* wkeFileRead)(void* handle, void* buffer, unsigned count);
typedef int(WKE_CALL* wkeFileSeek)(void* handle, int offset, int origin);

typedef struct {
  int x;
  int y;
  int w;
  int h;
} wkeRect;

#ifdef __cplusplus
// A web view. The operations come in this order in the interface; each is also exported as a
// plain function (wkeDestroyWebView, wkeSetTransparent, ...) taking the view first.
class wkeWebViewInterface {
 public:
  virtual void destroy() = 0;
  virtual void setTransparent(bool transparent) = 0;
  virtual void loadURL(const wchar_t* url) = 0;
  virtual void loadFile(const wchar_t* fileName) = 0;
  virtual void resize(int width, int height) = 0;
  virtual void setDirty(bool dirty) = 0;
  virtual bool isDirty() = 0;
  // Writes width x height premultiplied BGRA pixels, rows pitch bytes apart.
  virtual void paint(void* pixels, int pitch) = 0;
  virtual void setCookieEnabled(bool enabled) = 0;
  virtual bool mouseEvent(unsigned message, int x, int y, unsigned flags) = 0;
  virtual bool contextMenuEvent(int x, int y, unsigned flags) = 0;
  virtual bool mouseWheel(int x, int y, int delta, unsigned flags) = 0;
  virtual bool keyUp(unsigned virtualKey, unsigned flags, bool systemKey) = 0;
  virtual bool keyDown(unsigned virtualKey, unsigned flags, bool systemKey) = 0;
  virtual bool keyPress(unsigned charCode, unsigned flags, bool systemKey) = 0;
  virtual void focus() = 0;
  virtual void unfocus() = 0;
  virtual const wkeRect* getCaret() = 0;
  virtual jsValue runJS(const wchar_t* script) = 0;
  virtual jsExecState globalExec() = 0;

 protected:
  ~wkeWebViewInterface() = default;
};
typedef wkeWebViewInterface* wkeWebView;
#else
typedef struct wkeWebViewInterface* wkeWebView;
#endif

#ifdef WKE_BUILDING_ENGINE
#define WKE_API __declspec(dllexport)
#else
#define WKE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Entry points, in the order the host resolves them.
WKE_API void WKE_CALL wkeInit(void);
WKE_API void WKE_CALL wkeShutdown(void);
WKE_API wkeWebView WKE_CALL wkeCreateWebView(void);
WKE_API void WKE_CALL wkeSetFileSystem(wkeFileOpen open, wkeFileClose close, wkeFileSize size, wkeFileRead read,
                                       wkeFileSeek seek);
WKE_API void WKE_CALL jsBindFunction(const char* name, jsNativeFunction function, unsigned argCount);
WKE_API void WKE_CALL jsBindGetter(const char* name, jsNativeFunction function);
WKE_API void WKE_CALL jsBindSetter(const char* name, jsNativeFunction function);
WKE_API jsValue WKE_CALL jsArg(jsExecState es, int index);
WKE_API int WKE_CALL jsArgCount(jsExecState es);
WKE_API jsType WKE_CALL jsArgType(jsExecState es, int index);
WKE_API jsType WKE_CALL jsTypeOf(jsValue v);
WKE_API bool WKE_CALL jsIsNumber(jsValue v);
WKE_API bool WKE_CALL jsIsUndefined(jsValue v);
WKE_API int WKE_CALL jsToInt(jsExecState es, jsValue v);
WKE_API double WKE_CALL jsToDouble(jsExecState es, jsValue v);
WKE_API const char* WKE_CALL jsToString(jsExecState es, jsValue v);
WKE_API const wchar_t* WKE_CALL jsToStringW(jsExecState es, jsValue v);
WKE_API jsValue WKE_CALL jsUndefined(void);
WKE_API jsValue WKE_CALL jsInt(int n);
WKE_API jsValue WKE_CALL jsDouble(double d);
WKE_API jsValue WKE_CALL jsString(jsExecState es, const char* utf8);
WKE_API jsValue WKE_CALL jsStringW(jsExecState es, const wchar_t* text);
WKE_API jsValue WKE_CALL jsTrue(void);
WKE_API jsValue WKE_CALL jsFalse(void);
WKE_API jsValue WKE_CALL jsObject(jsExecState es);
WKE_API jsValue WKE_CALL jsGet(jsExecState es, jsValue object, const char* property);
WKE_API void WKE_CALL jsSet(jsExecState es, jsValue object, const char* property, jsValue v);
WKE_API jsValue WKE_CALL jsGetAt(jsExecState es, jsValue object, int index);
WKE_API void WKE_CALL jsSetAt(jsExecState es, jsValue object, int index, jsValue v);
WKE_API jsValue WKE_CALL jsGetGlobal(jsExecState es, const char* property);
WKE_API void WKE_CALL jsSetGlobal(jsExecState es, const char* property, jsValue v);
WKE_API int WKE_CALL jsGetLength(jsExecState es, jsValue object);
WKE_API void WKE_CALL jsSetLength(jsExecState es, jsValue object, int length);
WKE_API jsValue WKE_CALL jsGlobalObject(jsExecState es);
WKE_API jsValue WKE_CALL jsEval(jsExecState es, const char* utf8Script);
WKE_API jsValue WKE_CALL jsCall(jsExecState es, jsValue function, jsValue thisObject, jsValue* args, int argCount);
WKE_API wkeWebView WKE_CALL jsGetWebView(jsExecState es);
// A function handed to the host stays callable (pinned) until its page goes. A host that keeps
// no copy of a function's handle any more (a registration replaced by a new one) gives it up
// here; from then on every copy of the handle reads as undefined and calls nothing. False when
// the handle is not a live function of the exec state's page.
WKE_API bool WKE_CALL jsReleaseFunction(jsExecState es, jsValue function);
// Called on the UI thread each time the engine has run work of its own, outside any call from
// the host (a timer, deferred work, a network result): any view may have changed. A host that
// paints only while something changes restarts its painting here. One handler; null removes it.
typedef void(WKE_CALL* wkeWorkDoneHandler)(void* param);
WKE_API void WKE_CALL wkeSetWorkDoneHandler(wkeWorkDoneHandler handler, void* param);

// View operations as plain functions, in the interface's order.
WKE_API void WKE_CALL wkeDestroyWebView(wkeWebView view);
WKE_API void WKE_CALL wkeSetTransparent(wkeWebView view, bool transparent);
WKE_API void WKE_CALL wkeLoadURLW(wkeWebView view, const wchar_t* url);
WKE_API void WKE_CALL wkeLoadFileW(wkeWebView view, const wchar_t* fileName);
WKE_API void WKE_CALL wkeResize(wkeWebView view, int width, int height);
WKE_API void WKE_CALL wkeSetDirty(wkeWebView view, bool dirty);
WKE_API bool WKE_CALL wkeIsDirty(wkeWebView view);
WKE_API void WKE_CALL wkePaint(wkeWebView view, void* pixels, int pitch);
WKE_API void WKE_CALL wkeSetCookieEnabled(wkeWebView view, bool enabled);
WKE_API bool WKE_CALL wkeMouseEvent(wkeWebView view, unsigned message, int x, int y, unsigned flags);
WKE_API bool WKE_CALL wkeContextMenuEvent(wkeWebView view, int x, int y, unsigned flags);
WKE_API bool WKE_CALL wkeMouseWheel(wkeWebView view, int x, int y, int delta, unsigned flags);
WKE_API bool WKE_CALL wkeKeyUp(wkeWebView view, unsigned virtualKey, unsigned flags, bool systemKey);
WKE_API bool WKE_CALL wkeKeyDown(wkeWebView view, unsigned virtualKey, unsigned flags, bool systemKey);
WKE_API bool WKE_CALL wkeKeyPress(wkeWebView view, unsigned charCode, unsigned flags, bool systemKey);
WKE_API void WKE_CALL wkeFocus(wkeWebView view);
WKE_API void WKE_CALL wkeUnfocus(wkeWebView view);
WKE_API const wkeRect* WKE_CALL wkeGetCaret(wkeWebView view);
WKE_API jsValue WKE_CALL wkeRunJSW(wkeWebView view, const wchar_t* script);
WKE_API jsExecState WKE_CALL wkeGlobalExec(wkeWebView view);

#ifdef __cplusplus
}
#endif

// Developers and tests read the engine's console here: every console.* call and every
// uncaught script error, one line each, is appended to the file this variable names.
#define WKE_CONSOLE_LOG_VARIABLE L"WEBSHELL_CONSOLE"
