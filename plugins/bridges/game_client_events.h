#pragma once
// The event records the game-client library is given, one per GC_wrap_SetEventCallback call.
// The library calls the host's event function with a record from its own threads; the host
// finds the page's window and callback by the record and delivers the text there.
//
// A record stays valid while the library may call it: until GC_wrap_UnInit of its client has
// returned. Records of a client are freed then, with the hold on the page's callback; a call
// that still comes with a freed record finds nothing and is dropped.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "bridge/completion.h"
#include "plugins/sdk/game_client.h"

namespace game_client_events {

// A new record for client that sends events to target. The record stays valid while the returned
// hold lives, and beyond that until ReleaseClient(client). Null when memory is short.
struct Hold;
std::shared_ptr<Hold> NewRecord(uint32_t client, const completion::Target& target);
GCEventRecord* RecordOf(const std::shared_ptr<Hold>& hold);

// Frees the records of client (those no worker still holds go at once, the rest with their hold).
void ReleaseClient(uint32_t client);

// The host's event function the records carry.
void __cdecl Deliver(GCEventRecord* record, const char* text);

// How many records are live, for the tests.
size_t LiveCount();

}  // namespace game_client_events
