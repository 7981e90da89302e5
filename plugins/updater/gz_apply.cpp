#include "gz_apply.h"

#include <windows.h>
#include <zlib.h>

#include <vector>

#include "base/win_handles.h"

namespace update {

namespace {

bool WriteAll(HANDLE file, const uint8_t* bytes, size_t size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

bool Inflate(HANDLE in, HANDLE out, int64_t inSize, std::atomic<double>& progress) {
  z_stream stream{};
  // 16 + window bits: gzip framing, with its CRC-32 and length checked by zlib.
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return false;
  std::vector<uint8_t> input(1 << 18);
  std::vector<uint8_t> output(1 << 20);
  int64_t consumed = 0;
  int result = Z_OK;
  bool ok = true;
  while (ok && result != Z_STREAM_END) {
    DWORD read = 0;
    if (!ReadFile(in, input.data(), static_cast<DWORD>(input.size()), &read, nullptr) || read == 0) {
      ok = false;  // cut short
      break;
    }
    consumed += read;
    stream.next_in = input.data();
    stream.avail_in = read;
    do {
      stream.next_out = output.data();
      stream.avail_out = static_cast<uInt>(output.size());
      result = inflate(&stream, Z_NO_FLUSH);
      if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) ok = false;
      else if (!WriteAll(out, output.data(), output.size() - stream.avail_out)) ok = false;
    } while (ok && stream.avail_out == 0 && result != Z_STREAM_END);
    // Bytes after the end of the gzip data: not a file this updater made.
    if (result == Z_STREAM_END && (stream.avail_in != 0 || consumed != inSize)) ok = false;
    if (inSize > 0) progress = static_cast<double>(consumed) / static_cast<double>(inSize) * 0.99;
  }
  inflateEnd(&stream);
  return ok && result == Z_STREAM_END;
}

}  // namespace

bool InflateGzFile(const std::wstring& from, const std::wstring& to, std::atomic<double>& progress) {
  progress = 0;
  const std::wstring partial = to + L".partial";
  bool ok = false;
  {
    const win::FileHandle in(CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!in || !GetFileSizeEx(in.get(), &size)) return false;
    const win::FileHandle out(
        CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    ok = Inflate(in.get(), out.get(), size.QuadPart, progress) && FlushFileBuffers(out.get());
  }
  if (ok) ok = MoveFileExW(partial.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) {
    DeleteFileW(partial.c_str());
    return false;
  }
  progress = 1;
  return true;
}

}  // namespace update
