#include "file_checksum.h"

#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <memory>

#include "base/owned_handles.h"
#include "base/win_handles.h"
#include "bridge/completion.h"
#include "bridge/script_values.h"
#include "file_natives.h"

namespace files {

bool ChecksumPieces(const std::wstring& path, uint32_t pieceSize,
                    const std::function<void(uint64_t done, uint64_t total, uint32_t crc)>& report) {
  const win::HostFileHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) size.QuadPart = 0;
  const auto total = static_cast<uint64_t>(size.QuadPart);
  uLong crc = crc32(0L, Z_NULL, 0);
  if (total == 0) {
    report(0, 0, static_cast<uint32_t>(crc));
    return true;
  }
  const auto piece = std::make_unique<uint8_t[]>(pieceSize);
  uint64_t done = 0;
  while (done < total) {
    const auto wanted = static_cast<DWORD>(std::min<uint64_t>(pieceSize, total - done));
    DWORD read = 0;
    if (!ReadFile(file.get(), piece.get(), wanted, &read, nullptr) || read != wanted) return false;
    crc = crc32(crc, piece.get(), read);
    done += read;
    report(done, total, static_cast<uint32_t>(crc));
  }
  return true;
}

}  // namespace files

namespace natives {

jsValue Js_GetFileCRC32(jsExecState es) {
  const std::wstring path = script::Text(es, 0);
  if (script::ArgCount(es) == 1) {
    uint32_t last = 0;
    const bool whole =
        files::ChecksumPieces(path, files::kChecksumPiece, [&last](uint64_t, uint64_t, uint32_t crc) { last = crc; });
    return script::Number(whole ? static_cast<double>(last) : 0.0);
  }
  if (!script::IsFunction(es, 1)) return script::Boolean(false);
  const completion::Target target = completion::TargetOf(es, 1);
  const bool started = completion::StartWorker([path, target] {
    std::wstring windowsPath = path;
    std::replace(windowsPath.begin(), windowsPath.end(), L'/', L'\\');
    files::ChecksumPieces(windowsPath, files::kChecksumPiece, [&target](uint64_t done, uint64_t total, uint32_t crc) {
      completion::Send(target, {static_cast<double>(done), static_cast<double>(total), static_cast<double>(crc)});
    });
  });
  return script::Boolean(started);
}

}  // namespace natives
