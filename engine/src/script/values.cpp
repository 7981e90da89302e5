#include "script/values.h"

#include <cmath>
#include <cstring>

#include "script/page.h"
#include "script/pages.h"

namespace values {
namespace {

constexpr uint64_t kCanonicalNaN = 0x7FF8000000000000ull;

constexpr uint32_t kSlotLimit = 1u << kSlotBits;
constexpr uint32_t kGenerationMask = (1u << kGenerationBits) - 1;
constexpr uint32_t kNoSlot = 0xFFFFFFFFu;
// Set in a slot's generation while the slot holds no value, so that no handle matches it
// (a retired slot's generation has come back round to the one its first value had).
constexpr uint16_t kFreeSlot = 0x8000;
constexpr uint64_t kPayloadMask = 0xFFFFFFFFFFFFull;

uint32_t PageTag(const page::Page& p) { return p.id & 0xFFFF; }

uint64_t Reference(const page::Page& p, uint32_t slot) {
  return (static_cast<uint64_t>(PageTag(p)) << 32) | (static_cast<uint64_t>(p.values.generations[slot]) << kSlotBits) |
         slot;
}

// The slot a handle of this page refers to, or kNoSlot when its value is gone.
uint32_t LiveSlot(const page::Page& p, jsValue v) {
  const uint64_t payload = static_cast<uint64_t>(v) & kPayloadMask;
  if ((payload >> 32) != PageTag(p)) return kNoSlot;
  const uint32_t slot = static_cast<uint32_t>(payload) & (kSlotLimit - 1);
  const uint32_t generation = static_cast<uint32_t>(payload >> kSlotBits) & kGenerationMask;
  if (slot >= p.values.slotCount || p.values.generations[slot] != generation) return kNoSlot;
  return slot;
}

uint32_t NewSlot(Table& t) {
  if (!t.freeSlots.empty()) {
    uint32_t s = t.freeSlots.back();
    t.freeSlots.pop_back();
    t.generations[s] &= ~kFreeSlot;
    return s;
  }
  if (t.slotCount < kSlotLimit) {
    t.generations.push_back(0);
    return t.slotCount++;
  }
  if (!t.retiredSlots.empty()) {
    uint32_t s = t.retiredSlots.back();
    t.retiredSlots.pop_back();
    t.generations[s] &= ~kFreeSlot;
    return s;
  }
  return kNoSlot;
}

void FreeSlot(Table& t, uint32_t slot) {
  uint16_t& generation = t.generations[slot];
  generation = static_cast<uint16_t>((generation + 1) & kGenerationMask);
  (generation == 0 ? t.retiredSlots : t.freeSlots).push_back(slot);
  generation |= kFreeSlot;
}

// Stores the value at idx in a slot; kNoSlot when every slot is taken.
uint32_t Store(page::Page& p, duk_context* ctx, duk_idx_t idx) {
  idx = duk_normalize_index(ctx, idx);
  uint32_t slot = NewSlot(p.values);
  if (slot == kNoSlot) return slot;
  duk_push_heapptr(ctx, p.values.array);
  duk_dup(ctx, idx);
  duk_put_prop_index(ctx, -2, slot);
  duk_pop(ctx);
  return slot;
}

void FreeTemporaries(page::Page& p, duk_context* ctx, size_t from) {
  Table& t = p.values;
  if (t.temporaries.size() <= from) return;
  duk_push_heapptr(ctx, t.array);
  for (size_t i = from; i < t.temporaries.size(); ++i) {
    duk_push_undefined(ctx);
    duk_put_prop_index(ctx, -2, t.temporaries[i]);
    FreeSlot(t, t.temporaries[i]);
  }
  duk_pop(ctx);
  t.temporaries.resize(from);
}

// A string of another page (say the result of running script in another view) is copied
// over; objects and functions cannot cross between script heaps and arrive as undefined.
void PushForeign(page::Page& p, duk_context* ctx, jsValue v) {
  uint64_t payload = static_cast<uint64_t>(v) & kPayloadMask;
  page::Page* owner = nullptr;
  pages::ForEach([&](page::Page& other) {
    if (&other != &p && PageTag(other) == (payload >> 32)) owner = &other;
  });
  if (!owner || TagOf(v) != kString) {
    duk_push_undefined(ctx);
    return;
  }
  duk_context* from = owner->ctx;
  Push(*owner, from, v);
  duk_size_t len = 0;
  const char* s = duk_get_lstring(from, -1, &len);
  if (s) duk_push_lstring(ctx, s, len);
  else duk_push_undefined(ctx);
  duk_pop(from);
}

}  // namespace

Tag TagOf(jsValue v) {
  uint32_t top = static_cast<uint32_t>(static_cast<uint64_t>(v) >> 48);
  return top >= kUndefined && top <= kFunction ? static_cast<Tag>(top) : kNumber;
}

jsValue Make(Tag tag, uint64_t payload) {
  return static_cast<jsValue>((static_cast<uint64_t>(tag) << 48) | (payload & 0xFFFFFFFFFFFFull));
}

jsValue Number(double d) {
  uint64_t bits;
  if (std::isnan(d)) bits = kCanonicalNaN;
  else std::memcpy(&bits, &d, sizeof bits);
  return static_cast<jsValue>(bits);
}

double AsNumber(jsValue v) {
  double d;
  std::memcpy(&d, &v, sizeof d);
  return d;
}

void Init(page::Page& p, duk_context* ctx) {
  duk_push_heap_stash(ctx);
  duk_push_array(ctx);
  p.values.array = duk_get_heapptr(ctx, -1);
  duk_put_prop_string(ctx, -2, "values");
  duk_pop(ctx);
}

jsType TypeOfStack(duk_context* ctx, duk_idx_t idx) {
  switch (duk_get_type(ctx, idx)) {
    case DUK_TYPE_NUMBER: return JSTYPE_NUMBER;
    case DUK_TYPE_STRING: return duk_is_symbol(ctx, idx) ? JSTYPE_OBJECT : JSTYPE_STRING;
    case DUK_TYPE_BOOLEAN: return JSTYPE_BOOLEAN;
    case DUK_TYPE_NULL: return JSTYPE_NULL;
    case DUK_TYPE_OBJECT:
    case DUK_TYPE_LIGHTFUNC: return duk_is_function(ctx, idx) ? JSTYPE_FUNCTION : JSTYPE_OBJECT;
    case DUK_TYPE_BUFFER:
    case DUK_TYPE_POINTER: return JSTYPE_OBJECT;
    default: return JSTYPE_UNDEFINED;
  }
}

jsValue FromStack(page::Page& p, duk_context* ctx, duk_idx_t idx) {
  Table& t = p.values;
  Tag tag = kObject;
  switch (TypeOfStack(ctx, idx)) {
    case JSTYPE_NUMBER: return Number(duk_get_number(ctx, idx));
    case JSTYPE_BOOLEAN: return Boolean(duk_get_boolean(ctx, idx) != 0);
    case JSTYPE_NULL: return Make(kNull, 0);
    case JSTYPE_UNDEFINED: return Undefined();
    case JSTYPE_FUNCTION: {
      tag = kFunction;
      void* heapPtr = duk_get_heapptr(ctx, idx);
      if (heapPtr) {
        auto it = t.pinned.find(heapPtr);
        if (it != t.pinned.end()) return Make(kFunction, Reference(p, it->second));
        uint32_t slot = Store(p, ctx, idx);
        if (slot == kNoSlot) return Undefined();
        t.pinned.emplace(heapPtr, slot);
        return Make(kFunction, Reference(p, slot));
      }
      break;
    }
    case JSTYPE_STRING: tag = kString; break;
    default: break;
  }
  uint32_t slot = Store(p, ctx, idx);
  if (slot == kNoSlot) return Undefined();
  t.temporaries.push_back(slot);
  return Make(tag, Reference(p, slot));
}

void Push(page::Page& p, duk_context* ctx, jsValue v) {
  switch (TagOf(v)) {
    case kNumber: duk_push_number(ctx, AsNumber(v)); return;
    case kUndefined: duk_push_undefined(ctx); return;
    case kNull: duk_push_null(ctx); return;
    case kBoolean: duk_push_boolean(ctx, (v & 1) != 0); return;
    default: break;
  }
  if (((static_cast<uint64_t>(v) & kPayloadMask) >> 32) != PageTag(p)) {
    PushForeign(p, ctx, v);
    return;
  }
  uint32_t slot = LiveSlot(p, v);
  if (slot == kNoSlot) {
    duk_push_undefined(ctx);
    return;
  }
  duk_push_heapptr(ctx, p.values.array);
  duk_get_prop_index(ctx, -1, slot);
  duk_remove(ctx, -2);
}

bool IsLive(jsValue v) {
  switch (TagOf(v)) {
    case kNumber:
    case kUndefined:
    case kNull:
    case kBoolean: return true;
    default: break;
  }
  bool live = false;
  pages::ForEach([&](page::Page& p) {
    if (!live && LiveSlot(p, v) != kNoSlot) live = true;
  });
  return live;
}

bool ReleaseFunction(page::Page& p, duk_context* ctx, jsValue v) {
  if (TagOf(v) != kFunction) return false;
  uint32_t slot = LiveSlot(p, v);
  if (slot == kNoSlot) return false;
  Table& t = p.values;
  duk_push_heapptr(ctx, t.array);
  duk_get_prop_index(ctx, -1, slot);
  void* heapPtr = duk_get_heapptr(ctx, -1);
  duk_pop(ctx);
  auto it = heapPtr ? t.pinned.find(heapPtr) : t.pinned.end();
  if (it == t.pinned.end() || it->second != slot) {
    duk_pop(ctx);
    return false;
  }
  t.pinned.erase(it);
  duk_push_undefined(ctx);
  duk_put_prop_index(ctx, -2, slot);
  duk_pop(ctx);
  FreeSlot(t, slot);
  return true;
}

void OpenScope(page::Page& p) {
  Table& t = p.values;
  t.scopes.push_back({t.temporaries.size(), t.texts.size(), t.wideTexts.size()});
}

void CloseScope(page::Page& p, duk_context* ctx) {
  Table& t = p.values;
  if (t.scopes.size() <= 1) return;
  Table::Mark m = t.scopes.back();
  t.scopes.pop_back();
  FreeTemporaries(p, ctx, m.temporaries);
  t.texts.resize(m.texts);
  t.wideTexts.resize(m.wideTexts);
}

void ReleaseHostScope(page::Page& p, duk_context* ctx) {
  Table& t = p.values;
  if (t.scopes.size() != 1) return;
  FreeTemporaries(p, ctx, 0);
  t.texts.clear();
  t.wideTexts.clear();
}

bool InNativeCall(const page::Page& p) { return p.values.scopes.size() > 1; }

const char* KeepText(page::Page& p, std::string s) {
  p.values.texts.push_back(std::move(s));
  return p.values.texts.back().c_str();
}

const wchar_t* KeepWideText(page::Page& p, std::wstring s) {
  p.values.wideTexts.push_back(std::move(s));
  return p.values.wideTexts.back().c_str();
}

}  // namespace values
