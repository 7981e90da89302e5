#pragma once
// Shared by the test plug-ins: a script of canned answers read from a file beside the plug-in
// ("name=value" lines; a name may repeat, and its values are taken in order), and a log of
// every call, one line each, written beside it.
#include <windows.h>

#include <deque>
#include <map>
#include <string>

namespace plugin_script {

// Reads <folder of this module>\<script> once; later calls are free.
void Load(const wchar_t* script, const wchar_t* log);
// The next value of name (the last one stays when they run out); fallback when there is none.
std::string Next(const std::string& name, const std::string& fallback = "");
// Takes the next value of name for good; false when none is left.
bool Take(const std::string& name, std::string& value);
// Appends one line to the log, whole, whatever thread calls.
void Log(const std::string& line);
std::string Utf8(const wchar_t* wide);

}  // namespace plugin_script
