#pragma once
// The download function for pages.
#include "bridge/engine_api.h"

namespace natives {

// curl_http_download(url, path, callback, interval): starts the download in the background and
// returns undefined; callback(downloaded, total) every interval ms (0: 100) while the size is
// known, and a last call with downloaded == total once the file is complete on disk.
jsValue Js_curl_http_download(jsExecState es);

}  // namespace natives
