#pragma once
// The five file hooks start-up hands to wkeSetFileSystem, in that order: the engine reads every
// page, script, style sheet and image it loads by file name through them. A handle is a
// package::File made by Open and freed by Close. No hook lets an exception reach the engine.
#include "wke.h"

namespace file_hooks {

// The package lookup's file, or null when the name is found nowhere.
void* WKE_CALL Open(const char* utf8Name) noexcept;
// Closes the entry and its archive, or the disk file, and frees the handle; null is ignored.
void WKE_CALL Close(void* handle) noexcept;
// Uncompressed entry size or file size (low 32 bits); 0 for null or when unknown.
unsigned WKE_CALL Size(void* handle) noexcept;
// Bytes read into buffer, 0 at the end, a negative minizip code when an entry cannot be
// decompressed; -1 for null.
int WKE_CALL Read(void* handle, void* buffer, unsigned count) noexcept;
// Sets the read position to offset + origin bytes from the start of the file or entry, so
// (n, 0) is an absolute seek; returns the new position, or -1 when it cannot be reached or the
// handle is null. Backward seeks in a compressed entry reopen it and decompress again.
int WKE_CALL Seek(void* handle, int offset, int origin) noexcept;

}  // namespace file_hooks
