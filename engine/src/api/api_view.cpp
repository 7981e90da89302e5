// The view operations as plain exported functions; each forwards to the view interface,
// whose operations catch their own exceptions.
#include "wke.h"

extern "C" {

WKE_API void WKE_CALL wkeDestroyWebView(wkeWebView view) {
  if (view) view->destroy();
}

WKE_API void WKE_CALL wkeSetTransparent(wkeWebView view, bool transparent) {
  if (view) view->setTransparent(transparent);
}

WKE_API void WKE_CALL wkeLoadURLW(wkeWebView view, const wchar_t* url) {
  if (view) view->loadURL(url);
}

WKE_API void WKE_CALL wkeLoadFileW(wkeWebView view, const wchar_t* fileName) {
  if (view) view->loadFile(fileName);
}

WKE_API void WKE_CALL wkeResize(wkeWebView view, int width, int height) {
  if (view) view->resize(width, height);
}

WKE_API void WKE_CALL wkeSetDirty(wkeWebView view, bool dirty) {
  if (view) view->setDirty(dirty);
}

WKE_API bool WKE_CALL wkeIsDirty(wkeWebView view) { return view ? view->isDirty() : false; }

WKE_API void WKE_CALL wkePaint(wkeWebView view, void* pixels, int pitch) {
  if (view) view->paint(pixels, pitch);
}

WKE_API void WKE_CALL wkeSetCookieEnabled(wkeWebView view, bool enabled) {
  if (view) view->setCookieEnabled(enabled);
}

WKE_API bool WKE_CALL wkeMouseEvent(wkeWebView view, unsigned message, int x, int y, unsigned flags) {
  return view ? view->mouseEvent(message, x, y, flags) : false;
}

WKE_API bool WKE_CALL wkeContextMenuEvent(wkeWebView view, int x, int y, unsigned flags) {
  return view ? view->contextMenuEvent(x, y, flags) : false;
}

WKE_API bool WKE_CALL wkeMouseWheel(wkeWebView view, int x, int y, int delta, unsigned flags) {
  return view ? view->mouseWheel(x, y, delta, flags) : false;
}

WKE_API bool WKE_CALL wkeKeyUp(wkeWebView view, unsigned virtualKey, unsigned flags, bool systemKey) {
  return view ? view->keyUp(virtualKey, flags, systemKey) : false;
}

WKE_API bool WKE_CALL wkeKeyDown(wkeWebView view, unsigned virtualKey, unsigned flags, bool systemKey) {
  return view ? view->keyDown(virtualKey, flags, systemKey) : false;
}

WKE_API bool WKE_CALL wkeKeyPress(wkeWebView view, unsigned charCode, unsigned flags, bool systemKey) {
  return view ? view->keyPress(charCode, flags, systemKey) : false;
}

WKE_API void WKE_CALL wkeFocus(wkeWebView view) {
  if (view) view->focus();
}

WKE_API void WKE_CALL wkeUnfocus(wkeWebView view) {
  if (view) view->unfocus();
}

WKE_API const wkeRect* WKE_CALL wkeGetCaret(wkeWebView view) { return view ? view->getCaret() : nullptr; }

WKE_API jsValue WKE_CALL wkeRunJSW(wkeWebView view, const wchar_t* script) {
  return view ? view->runJS(script) : jsUndefined();
}

WKE_API jsExecState WKE_CALL wkeGlobalExec(wkeWebView view) { return view ? view->globalExec() : nullptr; }

}  // extern "C"
