#pragma once
// plugins\7zC.dll: 7z extraction for the script function un7z. The host calls un7zW on a worker
// thread of its own and waits until it returns; the library reports progress through the
// host's function, on the same thread, while it works.
#include <stdint.h>
#include <wchar.h>

// What the host gives the library to report with. key is the value un7zW received, unchanged;
// text and number as below. The host takes an archive's extraction as finished at the first
// report with done == total, so the library sends exactly one such report, always as its last,
// whether the extraction succeeded or not. Returns 0.
typedef int(__cdecl* Un7zProgress)(uint32_t key, const wchar_t* text, uint32_t number, uint64_t done, uint64_t total);

// un7zW(archive, destination, prefix, reserved, progress, key, interval):
//   archive      full path of the 7z archive ("/" already turned into "\" by the host).
//   destination  folder the entries go to, joined to their names by plain concatenation, as
//                unzip does ("C:\out\" + "a\b.txt"; "C:\out" + "a.txt" gives "C:\outa.txt").
//   prefix       entry prefix as for unzip: empty takes every entry; otherwise an entry is taken
//                when its name starts with these characters ("/" read as "\", ASCII letters in
//                either case), and the part after them is joined to the destination (the prefix
//                itself when it names the entry).
//   reserved     not used; pass "". (Encrypted archives are not supported.)
//   interval     the least time in milliseconds between two progress reports while data is
//                written (0: after every piece of output); the last report is always sent.
// Reports while it works: text = the entry being written (its name as stored in the archive),
// number = 0, done = bytes of the taken entries written so far, total = their sum (done < total).
// The last report: done == total; number = Un7zResult; text = "" on success, else the entry the
// extraction stopped at ("" when no entry is to blame, for example an unreadable archive).
// Entry names that could lead out of the destination (".." parts, rooted, drive, UNC and device
// paths, reserved device names, alternate data streams) are skipped and not counted.
typedef enum Un7zResult {
  kUn7zDone = 0,               // every taken entry was written and passed its check
  kUn7zUnreadableArchive = 1,  // the archive could not be opened, or it is not a 7z archive
  kUn7zUnsupported = 2,        // a method or filter the library does not decode, or encryption
  kUn7zDamaged = 3,            // data that fails to decode or its CRC check; the entry was removed
  kUn7zUnwritable = 4,         // an output file could not be written (after retries); it was removed
  kUn7zNoMemory = 5,
} Un7zResult;

typedef int(__cdecl* Un7zW)(const wchar_t* archive, const wchar_t* destination, const wchar_t* prefix,
                            const wchar_t* reserved, Un7zProgress progress, uint32_t key, int32_t interval);

#define UN7Z_LIBRARY L"plugins\\7zC.dll"
#define UN7Z_EXPORT "un7zW"
