#pragma once
// Reading native-function arguments and building results. Every native function goes through
// these helpers, so the conversion rules live in this one place:
// - texts are read as UTF-16 (Text) or, where a function says so, as UTF-8 bytes (Utf8);
// - plain numbers become 32-bit integers by truncation toward zero (the engine's jsToInt);
// - handles are read as doubles, truncated to 64 bits, and the low 32 bits kept; they go back
//   to pages as the unsigned 32-bit value, so a handle survives a round trip unchanged. Window
//   and kernel handles have only 32 significant bits in 64-bit processes too, and become
//   handles again by sign extension (INVALID_HANDLE_VALUE, the pseudo handles and the
//   predefined registry keys are negative), so both builds show pages the same numbers;
// - addresses (module handles, pointers into memory) are whole in either build: a double holds
//   every user-mode address exactly;
// - records and lists are plain objects built property by property; lists get no length.
// An argument of the wrong type (an object where a text is read, a text or an object where a
// number is read) is still converted as the rules say; with the developer console on (the
// file WEBSHELL_CONSOLE names) it also writes one warning naming the native function and the
// argument. Missing arguments (undefined) are never wrong: functions take fewer than bound.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine_api.h"

namespace script {

// The native function a page is calling, for the warnings above: the binding's call wrapper
// keeps one for the length of each call (calls nest when a callback calls natives again).
class NativeCall {
 public:
  explicit NativeCall(jsNativeFunction handler) noexcept;
  ~NativeCall();
  NativeCall(const NativeCall&) = delete;
  NativeCall& operator=(const NativeCall&) = delete;

  // Writes the warning for argument index once per call; expected is "a text" or "a number".
  void Warn(jsExecState es, int index, const char* expected) noexcept;

 private:
  jsNativeFunction handler_;
  NativeCall* outer_;
  uint64_t warned_ = 0;  // one bit per argument position already warned about
};

// The script name and parameter names ("flag,insertAfter,flags", empty when unknown) the
// warnings use for a handler; registered once per row before binding.
void NameNative(jsNativeFunction handler, const char* name, const char* parameterNames);

// The developer console's file (WEBSHELL_CONSOLE), empty when the console is off.
std::wstring ConsolePath();

jsValue Arg(jsExecState es, int index);
std::wstring Text(jsExecState es, int index);
std::string Utf8(jsExecState es, int index);
int Int(jsExecState es, int index);
double Number(jsExecState es, int index);
uint32_t Handle(jsExecState es, int index);
void* HandleArg(jsExecState es, int index);
uintptr_t Address(jsExecState es, int index);
bool IsFunction(jsExecState es, int index);
bool IsString(jsExecState es, int index);
int ArgCount(jsExecState es);

// The number-to-handle rule on its own: 1.9 -> 1, -1.0 -> 0xFFFFFFFF, 4294967297.0 -> 1.
uint32_t HandleFromNumber(double number);
// The handle a 32-bit handle value stands for: sign-extended in a 64-bit process.
inline void* HandleFromBits(uint32_t bits) {
  return reinterpret_cast<void*>(static_cast<intptr_t>(static_cast<int32_t>(bits)));
}
// The address rule on its own: whole, 0 for NaN, infinities and values beyond 64 bits.
uintptr_t AddressFromNumber(double number);

jsValue Undefined();
jsValue Boolean(bool value);
jsValue Integer(int value);
jsValue Number(double value);
jsValue HandleResult(uint32_t handle);
jsValue HandleResult(const void* handle);
jsValue AddressResult(const void* address);
jsValue Unsigned64(uint64_t value);
jsValue FromWide(jsExecState es, std::wstring_view text);
jsValue FromUtf8(jsExecState es, std::string_view text);

class Record {
 public:
  explicit Record(jsExecState es);
  Record& Set(const char* name, jsValue value);
  jsValue value() const { return object_; }

 private:
  jsExecState es_;
  jsValue object_;
};

class List {
 public:
  explicit List(jsExecState es);
  List& Append(jsValue value);
  jsValue value() const { return object_; }

 private:
  jsExecState es_;
  jsValue object_;
  int count_ = 0;
};

}  // namespace script
