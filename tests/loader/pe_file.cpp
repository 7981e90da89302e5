#include "pe_file.h"

#include <algorithm>
#include <stdexcept>

namespace pe_file {

size_t NtOffset(const Bytes& bytes) {
  return static_cast<size_t>(Get<LONG>(bytes, offsetof(IMAGE_DOS_HEADER, e_lfanew)));
}

IMAGE_NT_HEADERS NtHeaders(const Bytes& bytes) { return Get<IMAGE_NT_HEADERS>(bytes, NtOffset(bytes)); }

size_t OptionalFieldOffset(const Bytes& bytes, size_t field) {
  return NtOffset(bytes) + offsetof(IMAGE_NT_HEADERS, OptionalHeader) + field;
}

size_t DataDirectoryOffset(const Bytes& bytes, int index) {
  return OptionalFieldOffset(bytes, offsetof(IMAGE_OPTIONAL_HEADER, DataDirectory)) +
         static_cast<size_t>(index) * sizeof(IMAGE_DATA_DIRECTORY);
}

size_t SectionTableOffset(const Bytes& bytes) {
  return NtOffset(bytes) + offsetof(IMAGE_NT_HEADERS, OptionalHeader) +
         NtHeaders(bytes).FileHeader.SizeOfOptionalHeader;
}

std::vector<IMAGE_SECTION_HEADER> Sections(const Bytes& bytes) {
  std::vector<IMAGE_SECTION_HEADER> sections;
  const size_t table = SectionTableOffset(bytes);
  for (unsigned i = 0; i < NtHeaders(bytes).FileHeader.NumberOfSections; ++i)
    sections.push_back(Get<IMAGE_SECTION_HEADER>(bytes, table + i * sizeof(IMAGE_SECTION_HEADER)));
  return sections;
}

static std::string SectionName(const IMAGE_SECTION_HEADER& section) {
  return std::string(reinterpret_cast<const char*>(section.Name),
                     strnlen(reinterpret_cast<const char*>(section.Name), 8));
}

std::optional<IMAGE_SECTION_HEADER> SectionNamed(const Bytes& bytes, const char* name) {
  for (const IMAGE_SECTION_HEADER& section : Sections(bytes))
    if (SectionName(section) == name) return section;
  return std::nullopt;
}

size_t SectionHeaderOffset(const Bytes& bytes, const char* name) {
  const std::vector<IMAGE_SECTION_HEADER> sections = Sections(bytes);
  for (size_t i = 0; i < sections.size(); ++i)
    if (SectionName(sections[i]) == name) return SectionTableOffset(bytes) + i * sizeof(IMAGE_SECTION_HEADER);
  throw std::runtime_error(std::string("no section ") + name);
}

size_t RawDataEnd(const Bytes& bytes) {
  size_t end = 0;
  for (const IMAGE_SECTION_HEADER& section : Sections(bytes))
    if (section.SizeOfRawData) end = std::max<size_t>(end, section.PointerToRawData + section.SizeOfRawData);
  return end;
}

std::optional<size_t> FileOffset(const Bytes& bytes, uint32_t rva) {
  for (const IMAGE_SECTION_HEADER& section : Sections(bytes)) {
    if (rva >= section.VirtualAddress && rva - section.VirtualAddress < section.SizeOfRawData)
      return section.PointerToRawData + (rva - section.VirtualAddress);
  }
  if (rva < NtHeaders(bytes).OptionalHeader.SizeOfHeaders) return rva;
  return std::nullopt;
}

static size_t At(const Bytes& bytes, uint32_t rva) {
  const std::optional<size_t> offset = FileOffset(bytes, rva);
  if (!offset) throw std::runtime_error("rva without file data");
  return *offset;
}

std::vector<Relocation> Relocations(const Bytes& bytes) {
  std::vector<Relocation> relocations;
  const IMAGE_DATA_DIRECTORY directory = NtHeaders(bytes).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
  if (directory.Size == 0) return relocations;
  const size_t start = At(bytes, directory.VirtualAddress);
  for (size_t offset = 0; offset + sizeof(IMAGE_BASE_RELOCATION) <= directory.Size;) {
    const auto block = Get<IMAGE_BASE_RELOCATION>(bytes, start + offset);
    if (block.VirtualAddress == 0 || block.SizeOfBlock < sizeof block) break;
    for (size_t entry = sizeof block; entry + 2 <= block.SizeOfBlock; entry += 2) {
      const size_t entryOffset = start + offset + entry;
      const auto value = Get<WORD>(bytes, entryOffset);
      relocations.push_back({block.VirtualAddress + (value & 0xFFFu), value >> 12, entryOffset});
    }
    offset += block.SizeOfBlock;
  }
  return relocations;
}

std::vector<Import> Imports(const Bytes& bytes) {
  std::vector<Import> imports;
  const IMAGE_DATA_DIRECTORY directory = NtHeaders(bytes).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.Size == 0) return imports;
  for (size_t offset = At(bytes, directory.VirtualAddress);; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    const auto descriptor = Get<IMAGE_IMPORT_DESCRIPTOR>(bytes, offset);
    if (descriptor.Name == 0) break;
    Import import{reinterpret_cast<const char*>(bytes.data() + At(bytes, descriptor.Name)), offset, descriptor, {}};
    for (size_t thunk = At(bytes, descriptor.OriginalFirstThunk);; thunk += sizeof(uintptr_t)) {
      const auto value = Get<uintptr_t>(bytes, thunk);
      if (value == 0) break;
      import.thunks.push_back(value);
    }
    imports.push_back(import);
  }
  return imports;
}

std::vector<Export> Exports(const Bytes& bytes) {
  std::vector<Export> exports;
  const IMAGE_DATA_DIRECTORY directory = NtHeaders(bytes).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (directory.Size == 0) return exports;
  const auto table = Get<IMAGE_EXPORT_DIRECTORY>(bytes, At(bytes, directory.VirtualAddress));
  for (size_t i = 0; i < table.NumberOfNames; ++i) {
    const size_t nameRvaOffset = At(bytes, table.AddressOfNames) + i * 4;
    const size_t ordinalOffset = At(bytes, table.AddressOfNameOrdinals) + i * 2;
    const auto index = Get<WORD>(bytes, ordinalOffset);
    exports.push_back({reinterpret_cast<const char*>(bytes.data() + At(bytes, Get<uint32_t>(bytes, nameRvaOffset))), i,
                       ordinalOffset, nameRvaOffset, index,
                       Get<uint32_t>(bytes, At(bytes, table.AddressOfFunctions) + index * 4u)});
  }
  return exports;
}

}  // namespace pe_file
