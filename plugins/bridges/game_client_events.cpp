#include "game_client_events.h"

#include <map>
#include <memory>
#include <new>
#include <string>

#include "base/utf8.h"

namespace game_client_events {

struct Hold {
  GCEventRecord record{};
  uint32_t client = 0;
  completion::Target target;
};

namespace {

SRWLOCK lock = SRWLOCK_INIT;

std::map<const GCEventRecord*, std::shared_ptr<Hold>>& Records() {
  static std::map<const GCEventRecord*, std::shared_ptr<Hold>> records;
  return records;
}

}  // namespace

std::shared_ptr<Hold> NewRecord(uint32_t client, const completion::Target& target) {
  try {
    auto hold = std::make_shared<Hold>();
    hold->record.function = Deliver;
    hold->record.window = reinterpret_cast<uintptr_t>(target.window);
    hold->record.callback = target.callback;
    hold->client = client;
    hold->target = target;
    AcquireSRWLockExclusive(&lock);
    try {
      Records().emplace(&hold->record, hold);
    } catch (...) {
      ReleaseSRWLockExclusive(&lock);
      return nullptr;
    }
    ReleaseSRWLockExclusive(&lock);
    return hold;
  } catch (...) {
    return nullptr;
  }
}

GCEventRecord* RecordOf(const std::shared_ptr<Hold>& hold) { return hold ? &hold->record : nullptr; }

void ReleaseClient(uint32_t client) {
  std::map<const GCEventRecord*, std::shared_ptr<Hold>> released;
  AcquireSRWLockExclusive(&lock);
  auto& records = Records();
  for (auto at = records.begin(); at != records.end();) {
    if (at->second->client == client) {
      released.insert(records.extract(at++));
    } else {
      ++at;
    }
  }
  ReleaseSRWLockExclusive(&lock);
  // The holds (and with them the pins on the pages' callbacks) go here, outside the lock.
}

void __cdecl Deliver(GCEventRecord* record, const char* text) {
  if (!record || !text) return;
  try {
    completion::Target target;
    bool live = false;
    AcquireSRWLockShared(&lock);
    const auto& records = Records();
    if (const auto found = records.find(record); found != records.end()) {
      target = found->second->target;
      live = true;
    }
    ReleaseSRWLockShared(&lock);
    if (!live) return;
    completion::Send(target, {text::Utf8ToWide(text)});
  } catch (...) {}
}

size_t LiveCount() {
  AcquireSRWLockShared(&lock);
  const size_t count = Records().size();
  ReleaseSRWLockShared(&lock);
  return count;
}

}  // namespace game_client_events
