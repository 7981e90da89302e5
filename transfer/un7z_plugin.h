#pragma once
// The binding of plugins\7zC.dll: loaded by full path on first use and kept for the life of the
// process; a load or look-up that failed is tried again at the next call.
#include "plugins/sdk/un7z.h"

namespace un7z_plugin {

// un7zW, or nullptr while the library or its export cannot be found.
Un7zW Entry() noexcept;

}  // namespace un7z_plugin
