#include "updater_record.h"

#include <windows.h>

#include <vector>

namespace update {

namespace {

std::mutex g_lock;
std::map<uintptr_t, UpdaterRef> g_live;
std::map<std::wstring, void*> g_names;
uintptr_t g_last = 0;

}  // namespace

std::wstring ProgramFolder() {
  std::vector<wchar_t> path(32768);
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return {};
  std::wstring folder(path.data(), length);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

std::wstring TargetFor(const std::wstring& given) {
  std::wstring target = given;
  const bool rooted = target.size() >= 2 && (target[1] == L':' || (target[0] == L'\\' && target[1] == L'\\'));
  if (!rooted) target = ProgramFolder() + target;
  return target;
}

void* Add(UpdaterRef updater) {
  const std::lock_guard<std::mutex> hold(g_lock);
  // Numbers, not addresses: a stale one never names a later updater.
  const uintptr_t handle = (++g_last) << 4;
  g_live[handle] = std::move(updater);
  return reinterpret_cast<void*>(handle);
}

UpdaterRef Find(void* handle) {
  const std::lock_guard<std::mutex> hold(g_lock);
  const auto found = g_live.find(reinterpret_cast<uintptr_t>(handle));
  return found == g_live.end() ? nullptr : found->second;
}

UpdaterRef Drop(void* handle) {
  const std::lock_guard<std::mutex> hold(g_lock);
  const auto found = g_live.find(reinterpret_cast<uintptr_t>(handle));
  if (found == g_live.end()) return nullptr;
  UpdaterRef updater = std::move(found->second);
  g_live.erase(found);
  return updater;
}

void* Named(const std::wstring& name) {
  const std::lock_guard<std::mutex> hold(g_lock);
  const auto found = g_names.find(name);
  return found == g_names.end() ? nullptr : found->second;
}

bool Register(const std::wstring& name, void* handle) {
  const std::lock_guard<std::mutex> hold(g_lock);
  const auto [entry, added] = g_names.emplace(name, handle);
  return added || entry->second == handle;
}

void* Unregister(const std::wstring& name) {
  const std::lock_guard<std::mutex> hold(g_lock);
  const auto found = g_names.find(name);
  if (found == g_names.end()) return nullptr;
  void* handle = found->second;
  g_names.erase(found);
  return handle;
}

}  // namespace update
