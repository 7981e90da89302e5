// Reading a text of a file's version information and stamping a version resource into a file.
#include <windows.h>

#include <cwchar>

#include "base/win_handles.h"
#include "bridge/scratch_buffer.h"
#include "bridge/script_values.h"
#include "version_resource.h"

namespace version_resource {

namespace {

// A file that is deleted when the owner goes, unless it was kept.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (path_.empty()) return;
    SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path_.c_str());
  }
  const std::wstring& path() const { return path_; }
  void Keep() { path_.clear(); }

 private:
  std::wstring path_;
};

// A resource's type or name: a number, or a text when name is not empty.
struct ResourceName {
  std::wstring name;
  WORD number = 0;
  static ResourceName Of(LPCWSTR pointer) {
    ResourceName id;
    if (IS_INTRESOURCE(pointer)) id.number = static_cast<WORD>(reinterpret_cast<uintptr_t>(pointer));
    else id.name = pointer;
    return id;
  }
  LPCWSTR Pointer() const { return name.empty() ? MAKEINTRESOURCEW(number) : name.c_str(); }
  bool Is(WORD value) const { return name.empty() && number == value; }
};

struct Resource {
  ResourceName type;
  ResourceName name;
  WORD language = 0;
  std::vector<uint8_t> data;
};

struct Collection {
  HMODULE image;
  std::vector<Resource> resources;
  bool complete = true;
};

BOOL CALLBACK CollectLanguage(HMODULE image, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR parameter) {
  auto& collection = *reinterpret_cast<Collection*>(parameter);
  Resource resource{ResourceName::Of(type), ResourceName::Of(name), language, {}};
  const HRSRC found = FindResourceExW(image, type, name, language);
  const HGLOBAL loaded = found ? LoadResource(image, found) : nullptr;
  const auto* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  if (!bytes) {
    collection.complete = false;
    return FALSE;
  }
  resource.data.assign(bytes, bytes + SizeofResource(image, found));
  collection.resources.push_back(std::move(resource));
  return TRUE;
}

BOOL CALLBACK CollectName(HMODULE image, LPCWSTR type, LPWSTR name, LONG_PTR parameter) {
  EnumResourceLanguagesW(image, type, name, CollectLanguage, parameter);
  return reinterpret_cast<Collection*>(parameter)->complete;
}

BOOL CALLBACK CollectType(HMODULE image, LPWSTR type, LONG_PTR parameter) {
  EnumResourceNamesW(image, type, CollectName, parameter);
  return reinterpret_cast<Collection*>(parameter)->complete;
}

// Every resource of the image with its bytes; false when one of them could not be read.
bool AllResources(const std::wstring& path, std::vector<Resource>& resources) {
  const win::Module image(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!image) return false;
  Collection collection{image.get(), {}, true};
  EnumResourceTypesW(image.get(), CollectType, reinterpret_cast<LONG_PTR>(&collection));
  if (!collection.complete) return false;
  resources = std::move(collection.resources);
  return true;
}

bool Put(HANDLE update, const ResourceName& type, const ResourceName& name, WORD language,
         const std::vector<uint8_t>& data) {
  return UpdateResourceW(update, type.Pointer(), name.Pointer(), language, const_cast<uint8_t*>(data.data()),
                         static_cast<DWORD>(data.size())) != FALSE;
}

// Writes the block as the only version resource of the image at path.
bool Stamp(const std::wstring& path, const std::vector<uint8_t>& block) {
  std::vector<Resource> resources;
  if (!AllResources(path, resources)) return false;
  const ResourceName version = ResourceName::Of(RT_VERSION);
  const ResourceName first = ResourceName::Of(MAKEINTRESOURCEW(1));
  bool others = false;
  for (const Resource& resource : resources) {
    if (resource.type.Is(16) && !(resource.name.Is(1) && resource.language == 1033)) others = true;
  }
  // Removing a single resource is not dependable everywhere, so an image with other version
  // resources is given all its resources anew, without them.
  win::ResourceUpdate update(BeginUpdateResourceW(path.c_str(), others ? TRUE : FALSE));
  if (!update) return false;
  if (others) {
    for (const Resource& resource : resources) {
      if (resource.type.Is(16)) continue;
      if (!Put(update.get(), resource.type, resource.name, resource.language, resource.data)) return false;
    }
  }
  if (!Put(update.get(), version, first, 1033, block)) return false;
  return EndUpdateResourceW(update.release(), FALSE) != FALSE;
}

// True when nobody else has the file open: the running program's own image and a file another
// program holds open are refused here.
bool OpenToNobodyElse(const std::wstring& path) {
  const win::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(file);
}

std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  const DWORD written = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (written == 0 || written >= size) return {};
  full.resize(written);
  return full;
}

}  // namespace

std::optional<std::wstring> Read(const std::wstring& path, const std::wstring& name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  ScratchBuffer buffer(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, buffer.data())) return std::nullopt;
  const uint8_t* const begin = buffer.data();
  const uint8_t* const end = begin + size;

  void* list = nullptr;
  UINT listBytes = 0;
  if (!VerQueryValueW(begin, L"\\VarFileInfo\\Translation", &list, &listBytes) || !list) return std::nullopt;
  const auto* pairs = static_cast<const uint8_t*>(list);
  if (pairs < begin || pairs > end) return std::nullopt;
  const size_t count = std::min<size_t>(listBytes, static_cast<size_t>(end - pairs)) / 4;
  for (size_t i = 0; i < count; ++i) {
    const auto language = static_cast<unsigned>(pairs[4 * i] | pairs[4 * i + 1] << 8);
    const auto codePage = static_cast<unsigned>(pairs[4 * i + 2] | pairs[4 * i + 3] << 8);
    wchar_t table[32] = {};
    swprintf(table, 32, L"\\StringFileInfo\\%04X%04X\\", language, codePage);
    const std::wstring query = table + name;
    void* value = nullptr;
    UINT units = 0;
    if (!VerQueryValueW(begin, query.c_str(), &value, &units) || !value || units == 0) continue;
    // A damaged block may claim more than it holds, or leave out the terminator: the text ends
    // where the version information does.
    const auto* text = static_cast<const wchar_t*>(value);
    const auto* at = static_cast<const uint8_t*>(value);
    if (at < begin || at >= end) continue;
    const size_t room = static_cast<size_t>(end - at) / sizeof(wchar_t);
    const size_t length = wcsnlen(text, std::min<size_t>(units, room));
    if (length == 0) continue;
    return std::wstring(text, length);
  }
  return std::nullopt;
}

bool Write(const std::wstring& path, const std::vector<uint8_t>& block) {
  if (block.empty() || block.size() > 0xFFFF) return false;
  const std::wstring full = FullPath(path);
  if (full.empty()) return false;
  const DWORD attributes = GetFileAttributesW(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
    return false;
  if (!OpenToNobodyElse(full)) return false;

  const size_t slash = full.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return false;
  const std::wstring folder = full.substr(0, slash);
  wchar_t temporaryName[MAX_PATH] = {};
  if (!GetTempFileNameW(folder.c_str(), L"ver", 0, temporaryName)) return false;
  TemporaryFile copy(temporaryName);
  if (!CopyFileW(full.c_str(), copy.path().c_str(), FALSE)) return false;

  if (!Stamp(copy.path(), block)) return false;

  DWORD ignored = 0;
  if (GetFileVersionInfoSizeW(copy.path().c_str(), &ignored) == 0) return false;
  if (!MoveFileExW(copy.path().c_str(), full.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
  copy.Keep();
  return true;
}

}  // namespace version_resource

namespace natives {

jsValue Js_GetPEFileVerInfo(jsExecState es) {
  const std::optional<std::wstring> text = version_resource::Read(script::Text(es, 0), script::Text(es, 1));
  return text ? script::FromWide(es, *text) : script::Undefined();
}

jsValue Js_SetPEFileVerInfo(jsExecState es) {
  static constexpr const wchar_t* kKeys[] = {L"CompanyName",     L"ProductName", L"InternalName",   L"OriginalFilename",
                                             L"FileDescription", L"FileVersion", L"ProductVersion", L"LegalCopyright"};
  version_resource::Builder builder;
  for (int i = 0; i < 8; ++i) version_resource::Set(builder, kKeys[i], script::Text(es, i + 1));
  version_resource::Write(script::Text(es, 0), version_resource::Build(builder));
  return script::Undefined();
}

}  // namespace natives
