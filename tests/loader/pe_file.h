#pragma once
// Reading and patching a DLL file's headers and tables from the test side, independently of the
// loader, to know what the loader should have made of them. The files are images of the test
// program's own architecture, so the header types are the native ones (IMAGE_NT_HEADERS is the
// PE32+ layout in a 64-bit build), and import thunks are as wide as a pointer.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace pe_file {

using Bytes = std::vector<unsigned char>;

template <typename T>
T Get(const Bytes& bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

template <typename T>
void Put(Bytes& bytes, size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

size_t NtOffset(const Bytes& bytes);
IMAGE_NT_HEADERS NtHeaders(const Bytes& bytes);
// File offset of a field of the optional header, e.g. offsetof(IMAGE_OPTIONAL_HEADER, SizeOfImage).
size_t OptionalFieldOffset(const Bytes& bytes, size_t field);
size_t DataDirectoryOffset(const Bytes& bytes, int index);

size_t SectionTableOffset(const Bytes& bytes);
std::vector<IMAGE_SECTION_HEADER> Sections(const Bytes& bytes);
std::optional<IMAGE_SECTION_HEADER> SectionNamed(const Bytes& bytes, const char* name);
size_t SectionHeaderOffset(const Bytes& bytes, const char* name);  // throws when missing
// End of the last section's raw data: the image's bytes that loading needs.
size_t RawDataEnd(const Bytes& bytes);

// File offset of the byte at `rva`, when it has raw data in the file.
std::optional<size_t> FileOffset(const Bytes& bytes, uint32_t rva);

struct Relocation {
  uint32_t site;       // rva of the relocated word
  int type;            // top 4 bits of the entry
  size_t entryOffset;  // file offset of the 16-bit entry
};
std::vector<Relocation> Relocations(const Bytes& bytes);

struct Import {
  std::string library;
  size_t descriptorOffset;  // file offset of the descriptor
  IMAGE_IMPORT_DESCRIPTOR descriptor;
  std::vector<uintptr_t> thunks;  // the OriginalFirstThunk array up to its zero
};
std::vector<Import> Imports(const Bytes& bytes);

struct Export {
  std::string name;
  size_t nameIndex;      // position in AddressOfNames
  size_t ordinalOffset;  // file offset of its AddressOfNameOrdinals entry
  size_t nameRvaOffset;  // file offset of its AddressOfNames entry
  size_t functionIndex;  // its entry in AddressOfFunctions
  uint32_t functionRva;
};
std::vector<Export> Exports(const Bytes& bytes);

}  // namespace pe_file
