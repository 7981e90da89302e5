// Exported engine entry points.
#include "api/lifecycle.h"
#include "platform/files.h"
#include "runtime/runtime.h"
#include "view/view.h"
#include "wke.h"

extern "C" {

WKE_API void WKE_CALL wkeInit(void) {
  try {
    lifecycle::Init();
  } catch (...) {}
}

WKE_API void WKE_CALL wkeShutdown(void) {
  try {
    lifecycle::Shutdown();
  } catch (...) {}
}

WKE_API wkeWebView WKE_CALL wkeCreateWebView(void) {
  try {
    if (!lifecycle::Initialized() && !lifecycle::Init()) return nullptr;
    return view::Create();
  } catch (...) {
    return nullptr;
  }
}

WKE_API void WKE_CALL wkeSetFileSystem(wkeFileOpen open, wkeFileClose close, wkeFileSize size, wkeFileRead read,
                                       wkeFileSeek seek) {
  try {
    files::SetHooks(open, close, size, read, seek);
  } catch (...) {}
}

WKE_API void WKE_CALL wkeSetWorkDoneHandler(wkeWorkDoneHandler handler, void* param) {
  try {
    if (!lifecycle::Initialized() && !lifecycle::Init()) return;
    if (!handler) runtime::SetWorkDoneHandler(nullptr);
    else runtime::SetWorkDoneHandler([handler, param] { handler(param); });
  } catch (...) {}
}

}  // extern "C"
