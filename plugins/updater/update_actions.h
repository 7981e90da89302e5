#pragma once
// What an updater does: check the signed manifest against the local version, download the file
// it names with resumption and a bandwidth limit, check it, and unpack it.
#include <string>

#include "updater_record.h"

namespace update {

// The program's file version from its version resource ("1.2.3.4"), "0.0.0.0" without one.
std::string ProgramVersion();

// Fetches the manifest (text when it is a URL, else the updater's own) and its signature,
// checks both and compares versions. 1 when a newer version is available; the state says why not.
int32_t Check(Updater& updater, const std::string& text);

// Downloads the file the checked manifest names into the updater's folder, on this thread,
// until it is complete, fails or is stopped. Does nothing without a checked manifest or while
// another thread downloads for the same updater.
void Download(const UpdaterRef& updater, bool waitForRunning);

// Checks the file against the manifest again and, for a ".gz" download, unpacks it to the
// final name.
void Apply(const UpdaterRef& updater);

// Where the updater's download goes and the file it becomes; empty without a checked manifest.
// A folder target (ending with a backslash): the download keeps its URL's name, and the final
// file is that name without ".gz". A file target is the final file, downloaded beside it as
// "<target>.gz" (packed) or "<target>.download", which takes the final name once checked.
struct UpdatePaths {
  std::wstring download;
  std::wstring final;
  bool packed = false;  // a ".gz" download, unpacked by Apply
};
UpdatePaths PathsOf(Updater& updater);

}  // namespace update
