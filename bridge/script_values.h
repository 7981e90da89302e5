#pragma once
// Reading native-function arguments and building results. Every native function goes through
// these helpers, so the conversion rules live in this one place:
// - texts are read as UTF-16 (Text) or, where a function says so, as UTF-8 bytes (Utf8);
// - plain numbers become 32-bit integers by truncation toward zero (the engine's jsToInt);
// - handles are read as doubles, truncated to 64 bits, and the low 32 bits kept; they go back
//   to pages as the unsigned 32-bit value, so a handle survives a round trip unchanged;
// - records and lists are plain objects built property by property; lists get no length.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine_api.h"

namespace script {

jsValue Arg(jsExecState es, int index);
std::wstring Text(jsExecState es, int index);
std::string Utf8(jsExecState es, int index);
int Int(jsExecState es, int index);
double Number(jsExecState es, int index);
uint32_t Handle(jsExecState es, int index);
bool IsFunction(jsExecState es, int index);
bool IsString(jsExecState es, int index);
int ArgCount(jsExecState es);

// The number-to-handle rule on its own: 1.9 -> 1, -1.0 -> 0xFFFFFFFF, 4294967297.0 -> 1.
uint32_t HandleFromNumber(double number);

jsValue Undefined();
jsValue Boolean(bool value);
jsValue Integer(int value);
jsValue Number(double value);
jsValue HandleResult(uint32_t handle);
jsValue HandleResult(const void* handle);
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
