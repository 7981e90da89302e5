#include "script_values.h"

#include <windows.h>

#include <cmath>
#include <map>
#include <string_view>

#include "base/utf8.h"
#include "base/win_handles.h"

namespace script {

using engine::api;

namespace {

struct NativeNames {
  const char* name;
  std::string_view parameters;  // comma-separated
};

// Handler -> names; filled before binding, read on the UI thread only.
std::map<jsNativeFunction, NativeNames>& Names() {
  static std::map<jsNativeFunction, NativeNames> names;
  return names;
}

NativeCall* current = nullptr;  // the innermost native call in progress (UI thread)

std::string ParameterName(std::string_view parameters, int index) {
  for (int i = 0; !parameters.empty(); ++i) {
    const size_t comma = parameters.find(',');
    if (i == index) return std::string(parameters.substr(0, comma));
    if (comma == std::string_view::npos) break;
    parameters.remove_prefix(comma + 1);
  }
  return {};
}

const char* TypeName(jsType type) {
  switch (type) {
    case JSTYPE_NUMBER: return "a number";
    case JSTYPE_STRING: return "a text";
    case JSTYPE_BOOLEAN: return "a boolean";
    case JSTYPE_OBJECT: return "an object";
    case JSTYPE_FUNCTION: return "a function";
    case JSTYPE_UNDEFINED: return "undefined";
    case JSTYPE_NULL: return "null";
  }
  return "a value of unknown type";
}

void WriteConsoleLine(const std::wstring& path, const std::string& line) {
  win::FileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  const std::string bytes = line + "\n";
  DWORD written = 0;
  WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Texts take numbers and booleans as their text on purpose (SetEnvironmentVariable of a process
// id); numbers take booleans as 0/1 and null as 0.
void CheckText(jsExecState es, int index) {
  if (!current) return;
  const jsType type = api.jsArgType(es, index);
  if (type == JSTYPE_OBJECT || type == JSTYPE_FUNCTION || type == JSTYPE_NULL) current->Warn(es, index, "a text");
}

void CheckNumber(jsExecState es, int index) {
  if (!current) return;
  const jsType type = api.jsArgType(es, index);
  if (type == JSTYPE_STRING || type == JSTYPE_OBJECT || type == JSTYPE_FUNCTION) current->Warn(es, index, "a number");
}

}  // namespace

NativeCall::NativeCall(jsNativeFunction handler) noexcept : handler_(handler), outer_(current) { current = this; }

NativeCall::~NativeCall() { current = outer_; }

void NativeCall::Warn(jsExecState es, int index, const char* expected) noexcept {
  if (index < 0 || index >= 64 || (warned_ & (uint64_t{1} << index))) return;
  warned_ |= uint64_t{1} << index;
  try {
    const std::wstring path = ConsolePath();
    if (path.empty()) return;
    auto names = Names().find(handler_);
    if (names == Names().end()) return;
    std::string line = "[warn] ";
    line += names->second.name;
    line += ": argument " + std::to_string(index + 1);
    const std::string parameter = ParameterName(names->second.parameters, index);
    if (!parameter.empty()) line += " (" + parameter + ")";
    line += " should be ";
    line += expected;
    line += ", not ";
    line += TypeName(api.jsArgType(es, index));
    WriteConsoleLine(path, line);
  } catch (...) {
    // A warning that cannot be written is dropped; the call goes on.
  }
}

void NameNative(jsNativeFunction handler, const char* name, const char* parameterNames) {
  Names()[handler] = NativeNames{name, parameterNames ? parameterNames : ""};
}

std::wstring ConsolePath() {
  wchar_t path[MAX_PATH + 1];
  const DWORD n = GetEnvironmentVariableW(WKE_CONSOLE_LOG_VARIABLE, path, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return {};
  return std::wstring(path, n);
}

jsValue Arg(jsExecState es, int index) { return api.jsArg(es, index); }

std::wstring Text(jsExecState es, int index) {
  CheckText(es, index);
  const wchar_t* text = api.jsToStringW(es, api.jsArg(es, index));
  return text ? std::wstring(text) : std::wstring();
}

std::string Utf8(jsExecState es, int index) {
  CheckText(es, index);
  const char* text = api.jsToString(es, api.jsArg(es, index));
  return text ? std::string(text) : std::string();
}

int Int(jsExecState es, int index) {
  CheckNumber(es, index);
  return api.jsToInt(es, api.jsArg(es, index));
}

double Number(jsExecState es, int index) {
  CheckNumber(es, index);
  return api.jsToDouble(es, api.jsArg(es, index));
}

uint32_t HandleFromNumber(double number) {
  // Out-of-range and NaN doubles have no defined conversion to an integer in C++; they come
  // back as handle 0 instead of whatever the processor would make of them.
  if (!std::isfinite(number) || number >= 9223372036854775808.0 || number < -9223372036854775808.0) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(number)));
}

uint32_t Handle(jsExecState es, int index) { return HandleFromNumber(Number(es, index)); }

void* HandleArg(jsExecState es, int index) { return HandleFromBits(Handle(es, index)); }

uintptr_t AddressFromNumber(double number) {
  if (!std::isfinite(number) || number >= 18446744073709551616.0 || number <= -9223372036854775809.0) return 0;
  if (number < 0) return static_cast<uintptr_t>(static_cast<int64_t>(number));
  return static_cast<uintptr_t>(static_cast<uint64_t>(number));
}

uintptr_t Address(jsExecState es, int index) { return AddressFromNumber(Number(es, index)); }

bool IsFunction(jsExecState es, int index) { return api.jsArgType(es, index) == JSTYPE_FUNCTION; }

bool IsString(jsExecState es, int index) { return api.jsTypeOf(api.jsArg(es, index)) == JSTYPE_STRING; }

int ArgCount(jsExecState es) { return api.jsArgCount(es); }

jsValue Undefined() { return api.jsUndefined(); }
jsValue Boolean(bool value) { return value ? api.jsTrue() : api.jsFalse(); }
jsValue Integer(int value) { return api.jsInt(value); }
jsValue Number(double value) { return api.jsDouble(value); }
jsValue HandleResult(uint32_t handle) { return api.jsDouble(static_cast<double>(handle)); }
jsValue HandleResult(const void* handle) {
  return HandleResult(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)));
}
jsValue AddressResult(const void* address) {
  return api.jsDouble(static_cast<double>(reinterpret_cast<uintptr_t>(address)));
}
jsValue Unsigned64(uint64_t value) { return api.jsDouble(static_cast<double>(value)); }

jsValue FromWide(jsExecState es, std::wstring_view text) {
  const std::wstring terminated(text);
  return api.jsStringW(es, terminated.c_str());
}

jsValue FromUtf8(jsExecState es, std::string_view text) {
  const std::string terminated(text);
  return api.jsString(es, terminated.c_str());
}

Record::Record(jsExecState es) : es_(es), object_(api.jsObject(es)) {}

Record& Record::Set(const char* name, jsValue value) {
  api.jsSet(es_, object_, name, value);
  return *this;
}

List::List(jsExecState es) : es_(es), object_(api.jsObject(es)) {}

List& List::Append(jsValue value) {
  api.jsSetAt(es_, object_, count_++, value);
  return *this;
}

}  // namespace script
