// Exported engine entry points.
#include "engine.h"
#include "files.h"
#include "view.h"
#include "wke.h"

extern "C" {

WKE_API void WKE_CALL wkeInit(void) {
  try {
    engine::Init();
  } catch (...) {
  }
}

WKE_API void WKE_CALL wkeShutdown(void) {
  try {
    engine::Shutdown();
  } catch (...) {
  }
}

WKE_API wkeWebView WKE_CALL wkeCreateWebView(void) {
  try {
    if (!engine::Initialized() && !engine::Init()) return nullptr;
    return view::Create();
  } catch (...) {
    return nullptr;
  }
}

WKE_API void WKE_CALL wkeSetFileSystem(wkeFileOpen open, wkeFileClose close, wkeFileSize size, wkeFileRead read, wkeFileSeek seek) {
  try {
    files::SetHooks(open, close, size, read, seek);
  } catch (...) {
  }
}

}  // extern "C"
