#pragma once
// The developers' console: one line per console.* call or uncaught script error, appended to
// the file named by WEBSHELL_CONSOLE and sent to the debugger.
#include <string_view>

namespace console {

// level is "log", "error", "warn", "info", "debug" or "uncaught"; message is CESU-8.
void Write(std::string_view level, std::string_view message);

}  // namespace console
