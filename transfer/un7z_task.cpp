#include "un7z_task.h"

#include <memory>

#include "base/archive_names.h"
#include "un7z_plugin.h"
#include "un7z_table.h"

namespace extract7z {

namespace {

void Run(Request& request) {
  const Un7zW extract = un7z_plugin::Entry();
  if (!extract) return;
  archive_names::ToBackslashes(request.archive);
  archive_names::ToBackslashes(request.destination);
  archive_names::ToBackslashes(request.prefix);
  archive_names::ToBackslashes(request.reserved);
  const uint32_t key = un7z_table::ArchiveKey(request.archive);
  if (!un7z_table::Claim(key, request.target)) return;
  // The table holds the receiver now; the worker's own copy must not keep the callback alive.
  request.target = {};
  extract(request.archive.c_str(), request.destination.c_str(), request.prefix.c_str(), request.reserved.c_str(),
          &HostProgress, key, request.number);
}

}  // namespace

int __cdecl HostProgress(uint32_t key, const wchar_t* text, uint32_t number, uint64_t done, uint64_t total) {
  try {
    completion::Target receiver;
    if (!un7z_table::ReceiverFor(key, done == total, receiver)) return 0;
    completion::Send(receiver, {std::wstring(text ? text : L""), static_cast<double>(number), static_cast<double>(done),
                                static_cast<double>(total)});
  } catch (...) {}
  return 0;
}

bool Start(Request request) noexcept {
  try {
    auto shared = std::make_shared<Request>(std::move(request));
    return completion::StartWorker([shared] {
      try {
        Run(*shared);
      } catch (...) {}
    });
  } catch (...) {
    return false;
  }
}

}  // namespace extract7z
