#pragma once
// The 7z extraction function for pages.
#include "bridge/engine_api.h"

namespace natives {

// un7z(archive, destination, prefix, reserved, callback[, number]): hands the archive ("" for
// the program's own file) to plugins\7zC.dll in the background and returns undefined; the
// plug-in's reports reach callback(text, number, done, total). number defaults to 300.
jsValue Js_un7z(jsExecState es);

}  // namespace natives
