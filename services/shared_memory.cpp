#include "shared_memory.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/owned_handles.h"
#include "base/win_handles.h"
#include "bridge/name_key.h"
#include "bridge/script_values.h"
#include "host/shutdown_steps.h"
#include "shared_memory_view.h"

namespace natives {

namespace {

constexpr uint64_t kDefaultSize = 16384;
// The number of the platform's already-exists error marks a mapping this call created.
constexpr int kCreated = ERROR_ALREADY_EXISTS;
constexpr int kExisting = 1;
constexpr int kFailed = 0;

struct Section {
  win::HostKernelHandle mapping;
  win::MappedView view;
  uint64_t size = 0;
};

std::map<uint32_t, Section>& Table() {
  static std::map<uint32_t, Section> table;
  return table;
}

// Mappings that already existed when a page asked to create them: not in the table, but held
// open like it until the host ends.
std::vector<Section>& MetSections() {
  static std::vector<Section> met;
  return met;
}

void Release(Section& section) {
  section.view.reset();
  section.mapping.reset();
}

void ReleaseAll() {
  for (auto& [key, section] : Table()) Release(section);
  Table().clear();
  for (Section& section : MetSections()) Release(section);
  MetSections().clear();
}

void Keep(uint32_t key, Section section, bool inTable) {
  if (Table().empty() && MetSections().empty())
    shutdown_steps::Register(shutdown_steps::Step::SharedMemorySections, &ReleaseAll);
  if (inTable) Table()[key] = std::move(section);
  else MetSections().push_back(std::move(section));
}

uint64_t RequestedSize(jsExecState es) {
  if (script::ArgCount(es) < 2) return kDefaultSize;
  const double number = script::Number(es, 1);
  // Only the low 32 bits reach the platform; the rest of the truncated number is dropped.
  const uint32_t low = script::HandleFromNumber(number);
  return low == 0 ? kDefaultSize : low;
}

struct OpenedView {
  win::KernelHandle mapping;
  win::MappedView view;
  uint64_t size = 0;
};

OpenedView OpenByName(const std::wstring& name, DWORD access) {
  OpenedView opened;
  opened.mapping.reset(OpenFileMappingW(access | SECTION_QUERY, TRUE, name.c_str()));
  if (!opened.mapping) return opened;
  opened.view.reset(MapViewOfFile(opened.mapping.get(), access, 0, 0, 0));
  if (opened.view) opened.size = shared_memory::UsableSize(opened.mapping.get(), opened.view.get());
  return opened;
}

}  // namespace

jsValue Js_CreateFileMapping(jsExecState es) {
  const std::wstring name = script::Text(es, 0);
  const uint32_t key = names::Key(name);
  if (Table().contains(key)) return script::Integer(kExisting);
  const uint64_t size = RequestedSize(es);
  win::HostKernelHandle mapping(
      CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(size), name.c_str()));
  if (!mapping) return script::Integer(kFailed);
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  win::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (!view) return script::Integer(kFailed);
  if (existed) {
    // Someone else's mapping keeps its content.
    Keep(key, Section{std::move(mapping), std::move(view), 0}, false);
    return script::Integer(kExisting);
  }
  std::memset(view.get(), 0, static_cast<size_t>(size));
  Keep(key, Section{std::move(mapping), std::move(view), size}, true);
  return script::Integer(kCreated);
}

jsValue Js_ReadFileMapping(jsExecState es) {
  const std::wstring name = script::Text(es, 0);
  script::Int(es, 1);
  const OpenedView opened = OpenByName(name, FILE_MAP_READ);
  if (!opened.view) return script::Undefined();
  return script::FromWide(es, shared_memory::ReadText(opened.view.get(), opened.size));
}

jsValue Js_WriteFileMapping(jsExecState es) {
  const std::wstring name = script::Text(es, 0);
  const std::wstring text = script::Text(es, 1);
  script::Arg(es, 2);
  const OpenedView opened = OpenByName(name, FILE_MAP_WRITE);
  if (opened.view) shared_memory::WriteText(opened.view.get(), opened.size, text);
  return script::Undefined();
}

}  // namespace natives
