// Exported engine entry points.
#include "api/lifecycle.h"
#include "platform/files.h"
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

}  // extern "C"
