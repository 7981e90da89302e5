#include "script_values.h"

#include <cmath>

namespace script {

using engine::api;

jsValue Arg(jsExecState es, int index) { return api.jsArg(es, index); }

std::wstring Text(jsExecState es, int index) {
  const wchar_t* text = api.jsToStringW(es, api.jsArg(es, index));
  return text ? std::wstring(text) : std::wstring();
}

std::string Utf8(jsExecState es, int index) {
  const char* text = api.jsToString(es, api.jsArg(es, index));
  return text ? std::string(text) : std::string();
}

int Int(jsExecState es, int index) { return api.jsToInt(es, api.jsArg(es, index)); }

double Number(jsExecState es, int index) { return api.jsToDouble(es, api.jsArg(es, index)); }

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
