#include "unzip_task.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "base/archive_names.h"
#include "base/utf8.h"
#include "transfer/http/download_file.h"
#include "host/package.h"
#include "host/package_archive_io.h"

namespace unzip {

namespace {

enum class Outcome { kWritten, kUnopened, kUnwritable, kDamaged };

void Remove(const std::wstring& path) {
  if (path.empty() || path.back() == L'\\') return;
  // Nothing to remove is the usual case, and asking is cheaper than trying.
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}

class Worker {
 public:
  explicit Worker(Request request) : request_(std::move(request)) {}

  void Run() {
    archive_names::ToBackslashes(request_.archive);
    archive_names::ToBackslashes(request_.prefix);
    archive_names::ToBackslashes(request_.destination);
    prefix_ = text::WideToUtf8(request_.prefix);
    zlib_filefunc64_def functions = package::archive_io::Win32FileFunctions();
    reader_ = package::ArchiveReader(unzOpen2_64(request_.archive.c_str(), &functions));
    if (!reader_) return;
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(reader_.get(), &global) != UNZ_OK) return;
    name_.resize(kNameBuffer);
    chunk_.reset(new char[kChunkBytes]);

    for (int status = unzGoToFirstFile(reader_.get()); status == UNZ_OK; status = unzGoToNextFile(reader_.get())) {
      std::optional<std::wstring> output;
      uint64_t size = 0;
      if (!ReadEntry(output, size)) break;
      if (output) total_ += static_cast<int64_t>(size);
    }

    for (int status = unzGoToFirstFile(reader_.get()); status == UNZ_OK; status = unzGoToNextFile(reader_.get())) {
      std::optional<std::wstring> output;
      uint64_t size = 0;
      if (!ReadEntry(output, size)) break;
      if (!output) continue;
      const Outcome outcome = Extract(*output);
      if (outcome == Outcome::kUnopened) break;
      if (outcome != Outcome::kWritten) {
        Report(kStoppedEarly);
        break;
      }
    }
  }

 private:
  // The current entry's size, and its output path when the extraction takes it.
  bool ReadEntry(std::optional<std::wstring>& output, uint64_t& size) {
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(reader_.get(), &info, name_.data(), static_cast<uLong>(name_.size()), nullptr, 0,
                                nullptr, 0) != UNZ_OK)
      return false;
    size = info.uncompressed_size;
    // A name longer than the buffer was cut and is never taken.
    if (info.size_filename >= name_.size()) return true;
    const std::string_view name(name_.data(), info.size_filename);
    if (!archive_names::IsSelected(name, prefix_)) return true;
    output = archive_names::OutputPath(request_.destination, request_.prefix, prefix_, name);
    if (output && !archive_names::StaysInside(request_.destination, *output)) output.reset();
    return true;
  }

  // An entry's chunk is reported only once the next read has succeeded, and its last chunk only
  // after the data passed its check, so done == total never comes before the last file is whole.
  Outcome Extract(const std::wstring& path) {
    if (unzOpenCurrentFilePassword(reader_.get(), nullptr) != UNZ_OK) return Outcome::kUnopened;
    download::CreateParentFolders(path);
    Remove(path);
    // The first chunk cuts the file to nothing: an older file that another program held while
    // it was being removed must not keep its bytes after the new ones.
    bool first = true;
    bool unreported = false;
    for (;;) {
      const int read = unzReadCurrentFile(reader_.get(), chunk_.get(), kChunkBytes);
      if (read < 0) return Abandon(path, Outcome::kDamaged);
      if (read == 0) break;
      if (unreported) Report(static_cast<double>(done_));
      if (!download::AppendBytes(path, std::string_view(chunk_.get(), static_cast<size_t>(read)), first))
        return Abandon(path, Outcome::kUnwritable);
      first = false;
      done_ += read;
      unreported = true;
    }
    if (unzCloseCurrentFile(reader_.get()) != UNZ_OK) {
      Remove(path);
      return Outcome::kDamaged;
    }
    if (unreported) Report(static_cast<double>(done_));
    return Outcome::kWritten;
  }

  Outcome Abandon(const std::wstring& path, Outcome outcome) {
    unzCloseCurrentFile(reader_.get());
    Remove(path);
    return outcome;
  }

  void Report(double done) { completion::Send(request_.target, {done, static_cast<double>(total_)}); }

  Request request_;
  std::string prefix_;
  package::ArchiveReader reader_;
  std::vector<char> name_;
  std::unique_ptr<char[]> chunk_;
  int64_t total_ = 0;
  int64_t done_ = 0;
};

}  // namespace

bool Start(Request request) noexcept {
  try {
    auto worker = std::make_shared<Worker>(std::move(request));
    return completion::StartWorker([worker] {
      try {
        worker->Run();
      } catch (...) {}
    });
  } catch (...) {
    return false;
  }
}

}  // namespace unzip
