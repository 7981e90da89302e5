#include "un7z_table.h"

#include <windows.h>

#include <map>

#include "bridge/name_key.h"

namespace un7z_table {

namespace {

struct Record {
  bool idle = true;
  completion::Target receiver;
};

SRWLOCK tableLock = SRWLOCK_INIT;

class Locked {
 public:
  Locked() { AcquireSRWLockExclusive(&tableLock); }
  ~Locked() { ReleaseSRWLockExclusive(&tableLock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

std::map<uint32_t, Record>& Table() {
  static std::map<uint32_t, Record> table;
  return table;
}

}  // namespace

uint32_t ArchiveKey(std::wstring_view path) { return names::Key(path); }

bool Claim(uint32_t key, const completion::Target& target) {
  const Locked locked;
  Record& record = Table()[key];
  record.receiver = target;
  if (!record.idle) return false;
  record.idle = false;
  return true;
}

bool ReceiverFor(uint32_t key, bool last, completion::Target& target) {
  const Locked locked;
  const auto found = Table().find(key);
  if (found == Table().end()) return false;
  Record& record = found->second;
  const bool receives = record.receiver.hold != nullptr;
  if (receives) target = record.receiver;
  if (last) {
    record.idle = true;
    record.receiver = {};
  }
  return receives;
}

bool IsRunning(uint32_t key) {
  const Locked locked;
  const auto found = Table().find(key);
  return found != Table().end() && !found->second.idle;
}

}  // namespace un7z_table
