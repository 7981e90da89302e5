#pragma once
// Script value handles.
//
// A jsValue is 64 bits. Numbers are stored as their IEEE double bits (every NaN is stored as
// the one canonical positive quiet NaN), so numbers cost nothing and need no page. The
// negative quiet-NaN space carries everything else, with a tag in the top 16 bits:
// undefined, null and booleans directly, and strings, objects and functions as a reference
// into the value table of one page: bits 32..47 are the page's tag (the low 16 bits of its
// id), bits 20..31 the slot's generation and bits 0..19 a slot of the page's table. The
// table's slots live in an array in the script heap's stash, so the script engine keeps the
// referenced values alive.
//
// A slot's generation changes each time its value is released, so a handle kept past its
// value's life never reaches the value that takes the slot next: it reads as undefined and
// calls nothing. A slot whose generation has gone through all 4096 values is retired rather
// than reused, and retired slots come back only once all 2^20 slots have been used.
//
// Lifetimes:
// - Functions are pinned: a function gets one slot (the same function always gets the same
//   slot), so a callback handed to a native function stays callable through jsCall until the
//   view loads another page or is destroyed, or until the host gives it up with
//   jsReleaseFunction (the engine cannot see which handles the host still keeps).
// - Strings and objects are temporaries owned by the innermost native call in progress and
//   released when that call returns; the same holds for the texts handed out by jsToString
//   and jsToStringW. Outside any native call (the host working with wkeGlobalExec) they
//   belong to a host scope that is released when the host next enters the page with jsCall,
//   jsEval or wkeRunJSW (after that call's arguments were read), so a result stays readable
//   until the next call. A loop of native calls returning new objects therefore keeps
//   bounded memory.
// - A page's whole table goes with its script heap when the page is replaced or its view
//   destroyed; a handle that outlived its page or slot reads as undefined.
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include <duktape.h>

#include "wke.h"

namespace page {
struct Page;
}

namespace values {

enum Tag : uint32_t {
  kNumber = 0,
  kUndefined = 0xFFF9,
  kNull = 0xFFFA,
  kBoolean = 0xFFFB,
  kString = 0xFFFC,
  kObject = 0xFFFD,
  kFunction = 0xFFFE,
};

Tag TagOf(jsValue v);
jsValue Make(Tag tag, uint64_t payload);
jsValue Number(double d);
double AsNumber(jsValue v);
inline jsValue Undefined() { return Make(kUndefined, 0); }
inline jsValue Boolean(bool b) { return Make(kBoolean, b ? 1 : 0); }

inline constexpr uint32_t kSlotBits = 20;
inline constexpr uint32_t kGenerationBits = 12;

struct Table {
  void* array = nullptr;  // the stash array holding the slots' values
  std::vector<uint32_t> freeSlots;
  std::vector<uint32_t> retiredSlots;  // generations used up
  std::vector<uint16_t> generations;   // per slot
  uint32_t slotCount = 0;
  std::vector<uint32_t> temporaries;  // slots of live temporaries, innermost scope last
  struct Mark {
    size_t temporaries, texts, wideTexts;
  };
  std::vector<Mark> scopes{{0, 0, 0}};         // [0] is the host scope
  std::unordered_map<void*, uint32_t> pinned;  // function heap pointer -> slot
  std::deque<std::string> texts;
  std::deque<std::wstring> wideTexts;
};

void Init(page::Page& page, duk_context* ctx);
// A handle for the value at idx (the value stays on the stack).
jsValue FromStack(page::Page& page, duk_context* ctx, duk_idx_t idx);
// Pushes the value of a handle; undefined for a stale or foreign handle.
void Push(page::Page& page, duk_context* ctx, jsValue v);
jsType TypeOfStack(duk_context* ctx, duk_idx_t idx);
// False for a handle whose value is gone (its page or its slot's value); values stored inline
// are always live.
bool IsLive(jsValue v);
// Gives up the pinned function of a handle: every copy of the handle becomes stale. False when
// the handle is not a live pinned function of this page.
bool ReleaseFunction(page::Page& page, duk_context* ctx, jsValue v);

void OpenScope(page::Page& page);
void CloseScope(page::Page& page, duk_context* ctx);
// Releases the host scope when no native call is in progress.
void ReleaseHostScope(page::Page& page, duk_context* ctx);
bool InNativeCall(const page::Page& page);

const char* KeepText(page::Page& page, std::string s);
const wchar_t* KeepWideText(page::Page& page, std::wstring s);

}  // namespace values
