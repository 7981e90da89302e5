#include "update_actions.h"

#include <windows.h>

#include <cwchar>
#include <thread>
#include <vector>

#include "base/utf8.h"
#include "gz_apply.h"
#include "signature.h"
#include "transfer/http/download_file.h"

namespace update {

namespace {

constexpr size_t kManifestLimit = 64 * 1024;
constexpr size_t kSignatureLimit = 1024;
// With a limit the transfer hands over small pieces, so the rate stays even.
constexpr long kLimitedReceiveBytes = 64 * 1024;

void DeleteDownload(const std::wstring& path) {
  DeleteFileW(path.c_str());
  DeleteFileW((path + L".json").c_str());
}

bool MatchesManifest(const std::wstring& path, const Manifest& manifest) {
  Digest digest{};
  uint64_t size = 0;
  if (!FileDigest(path, digest, size)) return false;
  return size == manifest.size && HexOf(digest.data(), digest.size()) == manifest.sha256;
}

bool IsPacked(const std::wstring& name) {
  return name.size() > 3 && _wcsicmp(name.c_str() + name.size() - 3, L".gz") == 0;
}

std::optional<Manifest> CheckedManifest(Updater& updater) {
  const std::lock_guard<std::mutex> hold(updater.lock);
  return updater.manifest;
}

}  // namespace

std::string ProgramVersion() {
  std::vector<wchar_t> path(32768);
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return "0.0.0.0";
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.data(), &ignored);
  if (size == 0) return "0.0.0.0";
  std::vector<uint8_t> block(size);
  if (!GetFileVersionInfoW(path.data(), 0, size, block.data())) return "0.0.0.0";
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) || !fixed ||
      fixedSize < sizeof(VS_FIXEDFILEINFO))
    return "0.0.0.0";
  const Version version{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                        LOWORD(fixed->dwFileVersionLS)};
  return VersionText(version);
}

int32_t Check(Updater& updater, const std::string& text) {
  std::string url;
  std::string localText;
  {
    const std::lock_guard<std::mutex> hold(updater.lock);
    if (text.find("://") != std::string::npos) updater.manifestUrl = text;
    url = updater.manifestUrl;
    localText = updater.localVersion;
  }
  updater.state = kChecking;
  std::string keyText;
  Bytes64 key{};
  if (!download::ReadWholeFile(ProgramFolder() + L"update-key.pub", keyText) || !ParseHex64(keyText, key)) {
    updater.state = kNoKey;
    return 0;
  }
  std::string manifestText;
  if (url.empty() || !download::FetchSmall(url, kManifestLimit, manifestText)) {
    updater.state = kManifestUnreachable;
    return 0;
  }
  std::string signatureText;
  if (!download::FetchSmall(url + ".sig", kSignatureLimit, signatureText)) {
    updater.state = kManifestUnsigned;
    return 0;
  }
  Bytes64 signature{};
  if (!ParseHex64(signatureText, signature) || !VerifySignature(key, manifestText, signature)) {
    updater.state = kSignatureInvalid;
    return 0;
  }
  Manifest manifest;
  Version remote{};
  Version local{};
  if (!ParseManifest(manifestText, manifest) || !ParseVersion(manifest.version, remote)) {
    updater.state = kManifestInvalid;
    return 0;
  }
  if (!ParseVersion(localText, local)) local = {};
  const bool newer = CompareVersions(remote, local) > 0;
  {
    const std::lock_guard<std::mutex> hold(updater.lock);
    updater.manifest = manifest;
    if (!newer) updater.manifest->url.clear();
  }
  updater.state = newer ? kUpdateAvailable : kUpToDate;
  return newer ? 1 : 0;
}

UpdatePaths PathsOf(Updater& updater) {
  UpdatePaths paths;
  const std::lock_guard<std::mutex> hold(updater.lock);
  if (!updater.manifest || updater.manifest->url.empty()) return paths;
  const std::wstring name = text::Utf8ToWide(updater.manifest->fileName);
  const std::wstring& target = updater.target;
  paths.packed = IsPacked(name);
  if (target.empty() || target.back() == L'\\' || target.back() == L'/') {
    paths.download = target + name;
    paths.final = paths.packed ? paths.download.substr(0, paths.download.size() - 3) : paths.download;
  } else {
    paths.final = target;
    paths.download = target + (paths.packed ? L".gz" : L".download");
  }
  return paths;
}

void Download(const UpdaterRef& updater, bool waitForRunning) {
  const std::optional<Manifest> manifest = CheckedManifest(*updater);
  if (!manifest || manifest->url.empty()) return;
  std::unique_lock<std::mutex> running(updater->running, std::defer_lock);
  if (waitForRunning) running.lock();
  else if (!running.try_lock()) return;
  const UpdatePaths paths = PathsOf(*updater);
  const std::wstring& path = paths.download;
  updater->stop = false;
  updater->oversize = false;
  updater->state = kDownloading;
  updater->limit.Restart();
  download::Controls controls;
  controls.stop = &updater->stop;
  Updater* raw = updater.get();
  const int64_t expected = static_cast<int64_t>(manifest->size);
  controls.hooks.onBytes = [raw, expected](size_t bytes) {
    const download::Figures& f = raw->figures;
    // A server that sends more than the manifest's size is not sending the update.
    const int64_t reached = (f.pass.fromZero ? 0 : f.passOffset.load()) + f.pass.received;
    if (reached > expected || f.total > expected) {
      raw->oversize = true;
      raw->stop = true;
      return;
    }
    const auto wait = raw->limit.Account(bytes, RateLimit::Clock::now());
    if (wait > RateLimit::Clock::duration::zero()) std::this_thread::sleep_for(wait);
  };
  if (updater->limit.Get() > 0) controls.hooks.receiveBytes = kLimitedReceiveBytes;
  const download::Ending ending = download::Fetch(text::Utf8ToWide(manifest->url), path, updater->figures, controls);
  updater->limit.Stopped();
  if (updater->oversize) {
    DeleteDownload(path);
    updater->state = kDownloadMismatch;
    return;
  }
  if (ending == download::Ending::kStopped) {
    updater->state = kPaused;
    return;
  }
  if (ending == download::Ending::kGaveUp) {
    updater->state = kDownloadFailed;
    return;
  }
  if (!MatchesManifest(path, *manifest)) {
    DeleteDownload(path);
    updater->state = kDownloadMismatch;
    return;
  }
  // A file that needs no unpacking takes its final name once it is checked, in one step.
  if (!paths.packed && paths.final != path) {
    if (!MoveFileExW(path.c_str(), paths.final.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      updater->state = kApplyFailed;
      return;
    }
    DeleteFileW((path + L".json").c_str());
  }
  updater->state = kDownloaded;
}

void Apply(const UpdaterRef& updater) {
  const std::optional<Manifest> manifest = CheckedManifest(*updater);
  if (!manifest || manifest->url.empty()) return;
  const std::lock_guard<std::mutex> running(updater->running);
  const UpdatePaths paths = PathsOf(*updater);
  // The file that was checked may have changed since: it is checked again before use.
  const std::wstring& checked = paths.packed ? paths.download : paths.final;
  updater->applyProgress = 0;
  updater->state = kApplying;
  if (!MatchesManifest(checked, *manifest)) {
    if (paths.packed) DeleteDownload(checked);
    else DeleteFileW(checked.c_str());
    updater->state = kDownloadMismatch;
    return;
  }
  if (paths.packed && !InflateGzFile(paths.download, paths.final, updater->applyProgress)) {
    updater->state = kApplyFailed;
    return;
  }
  updater->applyProgress = 1;
  updater->state = kApplied;
}

}  // namespace update
