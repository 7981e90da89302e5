#pragma once
// The process-wide 7z progress table: one record per archive key, made on first use and never
// removed, telling whether an extraction of that archive runs and which page callback receives
// its progress (always the newest caller's). un7z workers and the plug-in's progress calls use
// it from any thread; every look-up, insert and change is made under one lock.
#include <cstdint>
#include <string_view>

#include "bridge/completion.h"

namespace un7z_table {

// CRC-32 of the path's UTF-16LE bytes (the path as passed to the plug-in).
uint32_t ArchiveKey(std::wstring_view path);

// Makes target the receiver of the archive's progress (creating the record, idle, when there
// is none). True when the record was idle: it is now running and the caller starts the
// extraction; false when one runs already and only its receiver changed.
bool Claim(uint32_t key, const completion::Target& target);

// Who receives a report for the archive; false when the key has no record or nobody receives.
// For the last report (done == total) the record turns idle in the same step and gives its
// receiver up, so a call made from that last callback already starts a new extraction.
bool ReceiverFor(uint32_t key, bool last, completion::Target& target);

bool IsRunning(uint32_t key);

}  // namespace un7z_table
