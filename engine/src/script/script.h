#pragma once
// Running scripts and reporting their errors.
#include <string>
#include <string_view>

#include <duktape.h>

#include "script/page.h"

namespace script {

// Runs a whole script (CESU-8) whose first line is line firstLine of file. Leaves the
// completion value on the stack when result is true, nothing when false (the error was
// reported).
bool Run(page::Page& p, std::string_view code, const std::string& file, int firstLine);
// Calls the function below nargs arguments and a this value (pushed function, this, args).
// Replaces them with the result, or undefined after reporting an error. Returns false on error.
bool Call(page::Page& p, duk_context* ctx, duk_idx_t nargs);
// Writes the error at idx to the console with its file and line.
void ReportError(duk_context* ctx, duk_idx_t idx, std::string_view fallbackFile);

// String value of idx without throwing (CESU-8); "" when it cannot be converted.
std::string SafeString(duk_context* ctx, duk_idx_t idx);
// ToNumber of idx without throwing; NaN when it cannot be converted.
double SafeNumber(duk_context* ctx, duk_idx_t idx);
// obj[key] pushed; undefined when the lookup threw.
void SafeGet(duk_context* ctx, duk_idx_t obj, const char* key);
void SafeGetIndex(duk_context* ctx, duk_idx_t obj, duk_uarridx_t index);
// obj[key] = value on top (popped); false when it threw.
bool SafePut(duk_context* ctx, duk_idx_t obj, const char* key);
bool SafePutIndex(duk_context* ctx, duk_idx_t obj, duk_uarridx_t index);

}  // namespace script
