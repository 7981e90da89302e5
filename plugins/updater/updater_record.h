#pragma once
// One updater: where its manifest is, where it downloads to, what it learned and how far it
// got. Updaters are handed out as numbers that are never used twice, kept in a table of live
// ones: an export handed an updater that was un-initialised or removed finds nothing and
// answers with its failure value, while a thread still working with it keeps it alive.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "manifest.h"
#include "rate_limit.h"
#include "transfer/http/download_fetch.h"

namespace update {

// The state numbers P2PUpdater_GetInfo answers.
enum State : int32_t {
  kIdle = 0,             // made; nothing asked yet
  kChecking = 1,         // fetching and checking the manifest
  kUpToDate = 2,         // the manifest's version is not newer than the local one
  kUpdateAvailable = 3,  // a signed manifest names a newer version
  kDownloading = 4,
  kPaused = 5,
  kDownloaded = 6,  // the file is whole and matches the manifest's size and SHA-256
  kApplying = 7,
  kApplied = 8,  // the final file is written
  kManifestUnreachable = -1,
  kManifestUnsigned = -2,  // no signature next to the manifest
  kSignatureInvalid = -3,  // the signature does not match the manifest and the shipped key
  kNoKey = -4,             // update-key.pub is missing or not a key
  kManifestInvalid = -5,   // signed, but not a manifest this updater understands
  kDownloadFailed = -6,    // the server kept failing; StartDownload again continues
  kDownloadMismatch = -7,  // the file's size or SHA-256 is not the manifest's: deleted
  kApplyFailed = -8,       // the file does not unpack, or the result cannot be written
};

struct Updater {
  std::mutex lock;  // guards the members up to `manifest`
  std::string manifestUrl;
  // Where the update goes: a folder (ending with a backslash), where the download keeps the
  // name of its URL, or the path of the final file, beside which it is downloaded.
  std::wstring target;
  std::string localVersion;
  std::optional<Manifest> manifest;  // set once a signed manifest named a newer version

  std::atomic<int32_t> state{kIdle};
  std::atomic<bool> stop{false};
  std::atomic<bool> oversize{false};
  std::mutex running;  // held by the thread that downloads or unpacks
  download::Figures figures;
  RateLimit limit;
  std::atomic<double> applyProgress{0};
};

using UpdaterRef = std::shared_ptr<Updater>;

// The program's folder, with a trailing backslash.
std::wstring ProgramFolder();
// A target given by a page: empty means the program's folder, a relative one lies in it.
std::wstring TargetFor(const std::wstring& given);

void* Add(UpdaterRef updater);
UpdaterRef Find(void* handle);
// Takes the updater out of the table; the returned one (null when unknown) is to be stopped.
UpdaterRef Drop(void* handle);

void* Named(const std::wstring& name);
// Registers handle under name unless the name is taken; false when it was (the caller then
// drops its updater, which nobody else knows).
bool Register(const std::wstring& name, void* handle);
// Removes the name; the handle it had, or null.
void* Unregister(const std::wstring& name);

}  // namespace update
