#include "script/script.h"

#include <cmath>
#include <map>

#include "platform/console.h"
#include "script/error_position.h"

namespace script {
namespace {

// Safe calls see the caller's whole stack: their arguments are the topmost values.
duk_ret_t ToStringUnsafe(duk_context* ctx, void*) {
  duk_to_string(ctx, -1);
  return 1;
}
duk_ret_t ToNumberUnsafe(duk_context* ctx, void*) {
  duk_to_number(ctx, -1);
  return 1;
}
duk_ret_t GetUnsafe(duk_context* ctx, void* key) {
  duk_get_prop_string(ctx, -1, static_cast<const char*>(key));
  return 1;
}
duk_ret_t GetIndexUnsafe(duk_context* ctx, void* index) {
  duk_get_prop_index(ctx, -1, *static_cast<duk_uarridx_t*>(index));
  return 1;
}
duk_ret_t PutUnsafe(duk_context* ctx, void* key) {
  duk_put_prop_string(ctx, -2, static_cast<const char*>(key));
  return 0;
}
duk_ret_t PutIndexUnsafe(duk_context* ctx, void* index) {
  duk_put_prop_index(ctx, -2, *static_cast<duk_uarridx_t*>(index));
  return 0;
}

}  // namespace

std::string SafeString(duk_context* ctx, duk_idx_t idx) {
  if (duk_is_string(ctx, idx) && !duk_is_symbol(ctx, idx)) {
    duk_size_t len = 0;
    const char* s = duk_get_lstring(ctx, idx, &len);
    return std::string(s, len);
  }
  duk_dup(ctx, idx);
  std::string out;
  if (duk_safe_call(ctx, ToStringUnsafe, nullptr, 1, 1) == DUK_EXEC_SUCCESS) {
    duk_size_t len = 0;
    const char* s = duk_get_lstring(ctx, -1, &len);
    if (s) out.assign(s, len);
  }
  duk_pop(ctx);
  return out;
}

double SafeNumber(duk_context* ctx, duk_idx_t idx) {
  if (duk_is_number(ctx, idx)) return duk_get_number(ctx, idx);
  duk_dup(ctx, idx);
  double out = NAN;
  if (duk_safe_call(ctx, ToNumberUnsafe, nullptr, 1, 1) == DUK_EXEC_SUCCESS) out = duk_get_number(ctx, -1);
  duk_pop(ctx);
  return out;
}

void SafeGet(duk_context* ctx, duk_idx_t obj, const char* key) {
  duk_dup(ctx, obj);
  if (duk_safe_call(ctx, GetUnsafe, const_cast<char*>(key), 1, 1) != DUK_EXEC_SUCCESS) {
    duk_pop(ctx);
    duk_push_undefined(ctx);
  }
}

void SafeGetIndex(duk_context* ctx, duk_idx_t obj, duk_uarridx_t index) {
  duk_dup(ctx, obj);
  if (duk_safe_call(ctx, GetIndexUnsafe, &index, 1, 1) != DUK_EXEC_SUCCESS) {
    duk_pop(ctx);
    duk_push_undefined(ctx);
  }
}

bool SafePut(duk_context* ctx, duk_idx_t obj, const char* key) {
  obj = duk_normalize_index(ctx, obj);
  duk_dup(ctx, obj);
  duk_swap_top(ctx, -2);  // object, value
  bool ok = duk_safe_call(ctx, PutUnsafe, const_cast<char*>(key), 2, 1) == DUK_EXEC_SUCCESS;
  duk_pop(ctx);
  return ok;
}

bool SafePutIndex(duk_context* ctx, duk_idx_t obj, duk_uarridx_t index) {
  obj = duk_normalize_index(ctx, obj);
  duk_dup(ctx, obj);
  duk_swap_top(ctx, -2);
  bool ok = duk_safe_call(ctx, PutIndexUnsafe, &index, 2, 1) == DUK_EXEC_SUCCESS;
  duk_pop(ctx);
  return ok;
}

namespace {

// code's first line is line 1 of file; lines before firstLine are padding.
void RememberLines(page::Page& p, const std::string& file, std::string_view code, int firstLine) {
  std::map<int, std::string>& lines = p.scriptLines[file];
  int line = 1;
  size_t start = 0;
  while (start <= code.size()) {
    size_t end = code.find('\n', start);
    if (end == std::string_view::npos) end = code.size();
    if (line >= firstLine) {
      std::string_view text = code.substr(start, end - start);
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      lines[line] = std::string(text);
    }
    ++line;
    start = end + 1;
  }
}

std::string_view RememberedLine(duk_context* ctx, const std::string& file, int line) {
  page::Page* p = page::FromContext(ctx);
  if (!p) return {};
  auto lines = p->scriptLines.find(file);
  if (lines == p->scriptLines.end()) return {};
  auto text = lines->second.find(line);
  return text == lines->second.end() ? std::string_view() : std::string_view(text->second);
}

void Report(std::string_view file, int line, int column, std::string_view message) {
  std::string out(file);
  if (line > 0) out.append(":").append(std::to_string(line)).append(":").append(std::to_string(column));
  out.append(": ").append(message);
  console::Write("uncaught", out);
}

// A script that does not compile: its file, the line the engine names, and the column worked
// out from the script text (code, whose first line is line 1).
void ReportSyntaxError(duk_context* ctx, duk_idx_t idx, const std::string& file, std::string_view code) {
  idx = duk_normalize_index(ctx, idx);
  const std::string message = SafeString(ctx, idx);
  int line = 0;
  if (duk_is_object(ctx, idx)) {
    SafeGet(ctx, idx, "lineNumber");
    if (duk_is_number(ctx, -1)) line = duk_get_int(ctx, -1);
    duk_pop(ctx);
  }
  const int column = line > 0 ? SyntaxErrorColumn(ctx, code, line, message) : 1;
  Report(file, line, column, WithoutLineNote(message));
}

}  // namespace

void ReportError(duk_context* ctx, duk_idx_t idx, std::string_view fallbackFile) {
  idx = duk_normalize_index(ctx, idx);
  std::string message = SafeString(ctx, idx);
  std::string file;
  int line = 0;
  if (duk_is_object(ctx, idx)) {
    SafeGet(ctx, idx, "fileName");
    if (duk_is_string(ctx, -1)) file = duk_get_string(ctx, -1);
    duk_pop(ctx);
    SafeGet(ctx, idx, "lineNumber");
    if (duk_is_number(ctx, -1)) line = duk_get_int(ctx, -1);
    duk_pop(ctx);
  }
  if (file.empty()) file = fallbackFile;
  const int column = line > 0 ? RuntimeErrorColumn(RememberedLine(ctx, file, line), message) : 1;
  Report(file, line, column, WithoutLineNote(message));
}

bool Run(page::Page& p, std::string_view code, const std::string& file, int firstLine) {
  duk_context* ctx = p.ctx;
  page::Activity activity(p);
  std::string padded;
  if (firstLine > 1) {
    // Line numbers of inline scripts count from the top of their page.
    padded.assign(static_cast<size_t>(firstLine - 1), '\n');
    padded.append(code);
    code = padded;
  }
  RememberLines(p, file, code, firstLine);
  duk_push_lstring(ctx, file.data(), file.size());
  if (duk_pcompile_lstring_filename(ctx, 0, code.data(), code.size()) != 0) {
    ReportSyntaxError(ctx, -1, file, code);
    duk_pop(ctx);
    return false;
  }
  if (duk_pcall(ctx, 0) != DUK_EXEC_SUCCESS) {
    ReportError(ctx, -1, file);
    duk_pop(ctx);
    return false;
  }
  return true;
}

bool Call(page::Page& p, duk_context* ctx, duk_idx_t nargs) {
  page::Activity activity(p);
  if (duk_pcall_method(ctx, nargs) != DUK_EXEC_SUCCESS) {
    ReportError(ctx, -1, p.url);
    duk_pop(ctx);
    duk_push_undefined(ctx);
    return false;
  }
  return true;
}

}  // namespace script
