#include "extraction.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "base/archive_names.h"
#include "base/utf8.h"
#include "folder_reader.h"
#include "output_file.h"

extern "C" {
#include "7zCrc.h"
#include "7zFile.h"
}

namespace un7z {

namespace {

constexpr size_t kInputBytes = 1 << 18;
constexpr size_t kPieceBytes = 1 << 20;
constexpr uint32_t kNoFolder = 0xFFFFFFFFu;

struct Ending {
  Un7zResult result = kUn7zDone;
  std::wstring entry;
};

Un7zResult FromRead(ReadResult read) {
  switch (read) {
    case ReadResult::kUnsupported: return kUn7zUnsupported;
    case ReadResult::kNoMemory: return kUn7zNoMemory;
    default: return kUn7zDamaged;
  }
}

class Extraction {
 public:
  explicit Extraction(const Request& request) : request_(request) {
    archive_names::ToBackslashes(request_.archive);
    archive_names::ToBackslashes(request_.destination);
    archive_names::ToBackslashes(request_.prefix);
    SzArEx_Init(&database_);
    FileInStream_CreateVTable(&file_);
    File_Construct(&file_.file);
    LookToRead2_CreateVTable(&look_, False);
  }

  ~Extraction() {
    reader_.reset();
    if (opened_) SzArEx_Free(&database_, Allocator());
    File_Close(&file_.file);
    std::free(look_.buf);
  }

  Extraction(const Extraction&) = delete;
  Extraction& operator=(const Extraction&) = delete;

  Ending Run() {
    static const bool crcTableMade = (CrcGenerateTable(), true);
    (void)crcTableMade;
    if (InFile_OpenW(&file_.file, request_.archive.c_str()) != 0) return {kUn7zUnreadableArchive, {}};
    look_.buf = static_cast<Byte*>(std::malloc(kInputBytes));
    if (!look_.buf) return {kUn7zNoMemory, {}};
    look_.bufSize = kInputBytes;
    look_.realStream = &file_.vt;
    LookToRead2_INIT(&look_);
    const SRes open = SzArEx_Open(&database_, &look_.vt, Allocator(), Allocator());
    if (open == SZ_ERROR_MEM) return {kUn7zNoMemory, {}};
    if (open == SZ_ERROR_UNSUPPORTED) return {kUn7zUnsupported, {}};
    if (open != SZ_OK) return {kUn7zUnreadableArchive, {}};
    opened_ = true;
    piece_.reset(new (std::nothrow) uint8_t[kPieceBytes]);
    if (!piece_) return {kUn7zNoMemory, {}};

    Choose();
    for (uint32_t i = 0; i < database_.NumFiles; ++i) {
      const Ending ending = Entry(i);
      if (ending.result != kUn7zDone) return ending;
    }
    return {};
  }

  uint64_t Total() const { return total_; }

 private:
  std::wstring Name(uint32_t index) const {
    const size_t length = SzArEx_GetFileNameUtf16(&database_, index, nullptr);
    std::vector<UInt16> name(std::max<size_t>(length, 1));
    SzArEx_GetFileNameUtf16(&database_, index, name.data());
    return std::wstring(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(length > 0 ? length - 1 : 0));
  }

  // Which entries are taken, where each goes, and the sum of their sizes.
  void Choose() {
    const std::string prefix = text::WideToUtf8(request_.prefix);
    outputs_.resize(database_.NumFiles);
    folderTaken_.assign(database_.db.NumFolders, false);
    for (uint32_t i = 0; i < database_.NumFiles; ++i) {
      std::string name = text::WideToUtf8(Name(i));
      // A folder entry is written like a ZIP folder entry: its path ends with "\".
      if (SzArEx_IsDir(&database_, i)) name += '/';
      if (!archive_names::IsSelected(name, prefix)) continue;
      std::optional<std::wstring> output =
          archive_names::OutputPath(request_.destination, request_.prefix, prefix, name);
      if (!output || !archive_names::StaysInside(request_.destination, *output)) continue;
      outputs_[i] = std::move(output);
      const uint32_t folder = database_.FileToFolder[i];
      if (folder != kNoFolder) {
        folderTaken_[folder] = true;
        total_ += SzArEx_GetFileSize(&database_, i);
      }
    }
  }

  Ending Entry(uint32_t index) {
    const std::optional<std::wstring>& output = outputs_[index];
    if (SzArEx_IsDir(&database_, index)) {
      if (output && !MakeFolders(*output)) return {kUn7zUnwritable, Name(index)};
      return {};
    }
    const uint32_t folder = database_.FileToFolder[index];
    OutputFile file;
    if (folder == kNoFolder) {
      // An empty file.
      if (!output) return {};
      if (!file.Create(*output)) return {kUn7zUnwritable, Name(index)};
      file.Keep();
      return {};
    }
    // Folders with no taken entry are never decoded.
    if (!folderTaken_[folder]) return {};
    if (folder != folder_) {
      reader_ = std::make_unique<FolderReader>();
      folder_ = folder;
      folderLeft_ = SzAr_GetFolderUnpackSize(&database_.db, folder);
      const ReadResult opened = reader_->Open(database_, &look_.vt, folder);
      if (opened != ReadResult::kOk) return {FromRead(opened), Name(index)};
    }
    if (output && !file.Create(*output)) return {kUn7zUnwritable, Name(index)};
    const Ending ending = Copy(index, output ? &file : nullptr);
    if (ending.result != kUn7zDone) {
      file.Remove();
      return ending;
    }
    file.Keep();
    return {};
  }

  // The entry's bytes from the folder into the file (or nowhere when it is not taken), checked
  // against its CRC; at the folder's end, the folder's own check too.
  Ending Copy(uint32_t index, OutputFile* file) {
    uint64_t left = SzArEx_GetFileSize(&database_, index);
    const bool hasCrc = SzBitWithVals_Check(&database_.CRCs, index);
    uint32_t crc = CRC_INIT_VAL;
    std::wstring name;
    if (file) name = Name(index);
    while (left > 0) {
      size_t got = 0;
      const ReadResult read =
          reader_->Read(piece_.get(), static_cast<size_t>(std::min<uint64_t>(left, kPieceBytes)), got);
      if (read != ReadResult::kOk) return {FromRead(read), Name(index)};
      if (got == 0) return {kUn7zDamaged, Name(index)};
      if (hasCrc) crc = CrcUpdate(crc, piece_.get(), got);
      left -= got;
      folderLeft_ -= got;
      if (!file) continue;
      if (!file->Write(piece_.get(), got)) return {kUn7zUnwritable, name};
      done_ += got;
      Progress(name);
    }
    if (folderLeft_ == 0) {
      size_t got = 0;
      const ReadResult end = reader_->Read(piece_.get(), 1, got);
      reader_.reset();
      if (end != ReadResult::kOk || got != 0) return {kUn7zDamaged, Name(index)};
    }
    if (hasCrc && CRC_GET_DIGEST(crc) != database_.CRCs.Vals[index]) return {kUn7zDamaged, Name(index)};
    return {};
  }

  // Reports are spaced by the interval and never carry done == total, which only the last has.
  void Progress(const std::wstring& name) {
    if (!request_.progress || done_ >= total_) return;
    const DWORD now = GetTickCount();
    if (reported_ && now - lastReport_ < request_.intervalMs) return;
    reported_ = true;
    lastReport_ = now;
    request_.progress(request_.key, name.c_str(), 0, done_, total_);
  }

  Request request_;
  CFileInStream file_{};
  CLookToRead2 look_{};
  CSzArEx database_{};
  bool opened_ = false;
  std::unique_ptr<uint8_t[]> piece_;
  std::vector<std::optional<std::wstring>> outputs_;
  std::vector<bool> folderTaken_;
  std::unique_ptr<FolderReader> reader_;
  uint32_t folder_ = kNoFolder;
  uint64_t folderLeft_ = 0;
  uint64_t total_ = 0;
  uint64_t done_ = 0;
  bool reported_ = false;
  DWORD lastReport_ = 0;
};

}  // namespace

void Extract(const Request& request) noexcept {
  Ending ending{kUn7zNoMemory, {}};
  uint64_t total = 0;
  try {
    Extraction extraction(request);
    ending = extraction.Run();
    total = extraction.Total();
  } catch (...) {
    ending = {kUn7zNoMemory, {}};
  }
  if (request.progress) request.progress(request.key, ending.entry.c_str(), ending.result, total, total);
}

}  // namespace un7z
