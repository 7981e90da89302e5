#pragma once
// The ZIP extraction function for pages.
#include "bridge/engine_api.h"

namespace natives {

// unzip(archive, prefix, destination, callback), or unzip(prefix, destination, callback) for the
// program's own package: extracts in the background and returns undefined; callback(done,
// total) after each chunk written.
jsValue Js_unzip(jsExecState es);

}  // namespace natives
