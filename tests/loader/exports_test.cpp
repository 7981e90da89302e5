// Export lookup: names compared without regard to ASCII case, the first match in the name table,
// not-found and out-of-image tables.
#include <gtest/gtest.h>

#include "loader_support.h"

namespace {

using pe_file::Bytes;

MemoryModulePtr Load(const Bytes& file) {
  MemoryModulePtr module(MemoryModuleLoad(file.data(), file.size()));
  if (!module) ADD_FAILURE() << "load failed: " << GetLastError();
  return module;
}

// Looks `name` up and returns the last error when it was not found (0 when it was).
DWORD LookupError(MemoryModule* module, const char* name) {
  SetLastError(0);
  return MemoryModuleGetExport(module, name) ? 0 : GetLastError();
}

const pe_file::Export& ExportNamed(const std::vector<pe_file::Export>& exports, const std::string& name) {
  for (const pe_file::Export& e : exports)
    if (e.name == name) return e;
  throw std::runtime_error("no export " + name);
}

TEST(Exports, AreFoundRegardlessOfLetterCase) {
  const MemoryModulePtr module = Load(loader_test::ReadLibrary("loader_mixed_case.dll"));
  ASSERT_NE(module, nullptr);
  void* exact = MemoryModuleGetExport(module.get(), "jsBindFunction");
  ASSERT_NE(exact, nullptr);
  EXPECT_EQ(MemoryModuleGetExport(module.get(), "jsbindfunction"), exact);
  EXPECT_EQ(MemoryModuleGetExport(module.get(), "JSBINDFUNCTION"), exact);
  EXPECT_EQ(loader_test::As<int (*)()>(exact)(), 1);
  EXPECT_EQ(loader_test::ExportOf<int (*)()>(module.get(), "WKEGETVERSIONSTRING")(), 2);
  // Folding is ASCII only: a character outside A-Z is not a letter to fold.
  EXPECT_EQ(LookupError(module.get(), "jsBind\xC6unction"), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
}

TEST(Exports, FirstEqualNameInTheTableWins) {
  const Bytes file = loader_test::ReadLibrary("loader_mixed_case.dll");
  const std::vector<pe_file::Export> exports = pe_file::Exports(file);
  const pe_file::Export& upper = ExportNamed(exports, "CASETWIN");
  const pe_file::Export& lower = ExportNamed(exports, "caseTwin");
  const MemoryModulePtr module = Load(file);
  ASSERT_NE(module, nullptr);
  const int expected = upper.nameIndex < lower.nameIndex ? 3 : 4;
  EXPECT_EQ(loader_test::ExportOf<int (*)()>(module.get(), "casetwin")(), expected);
  EXPECT_EQ(loader_test::ExportOf<int (*)()>(module.get(), "CaseTwin")(), expected);
}

TEST(Exports, UnknownNamesAreNotFound) {
  const MemoryModulePtr module = Load(loader_test::ReadLibrary("loader_mixed_case.dll"));
  ASSERT_NE(module, nullptr);
  for (const char* name : {"jsBind", "jsBindFunctionX", "", "missing", "jsBindFunction "}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(LookupError(module.get(), name), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  }
  EXPECT_EQ(LookupError(module.get(), nullptr), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(LookupError(nullptr, "jsBindFunction"), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
}

TEST(Exports, NameWhoseOrdinalIndexIsPastTheFunctionsIsNotFound) {
  Bytes file = loader_test::ReadLibrary("loader_mixed_case.dll");
  const pe_file::Export& bind = ExportNamed(pe_file::Exports(file), "jsBindFunction");
  pe_file::Put<WORD>(file, bind.ordinalOffset, 0x7FFF);
  const MemoryModulePtr module = Load(file);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(LookupError(module.get(), "jsbindfunction"), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(LookupError(module.get(), "wkeGetVersionString"), 0u);
}

TEST(Exports, ImageWithoutExportDirectoryHasNoExports) {
  Bytes file = loader_test::ReadLibrary("loader_mixed_case.dll");
  pe_file::Put<DWORD>(file, pe_file::DataDirectoryOffset(file, IMAGE_DIRECTORY_ENTRY_EXPORT) + 4, 0);
  const MemoryModulePtr module = Load(file);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(LookupError(module.get(), "jsBindFunction"), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
}

TEST(Exports, TablesOutsideTheImageAreRefused) {
  const Bytes original = loader_test::ReadLibrary("loader_mixed_case.dll");
  const uint32_t sizeOfImage = pe_file::NtHeaders(original).OptionalHeader.SizeOfImage;
  const IMAGE_DATA_DIRECTORY directory =
      pe_file::NtHeaders(original).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const size_t table = *pe_file::FileOffset(original, directory.VirtualAddress);
  const std::vector<pe_file::Export> exports = pe_file::Exports(original);
  const pe_file::Export& bind = ExportNamed(exports, "jsBindFunction");
  // CASETWIN comes before jsBindFunction in the name table, so spoiling only what belongs to
  // jsBindFunction leaves CASETWIN to be found.
  ASSERT_LT(ExportNamed(exports, "CASETWIN").nameIndex, bind.nameIndex);
  const auto functions = pe_file::Get<IMAGE_EXPORT_DIRECTORY>(original, table).AddressOfFunctions;
  constexpr DWORD kBad = ERROR_BAD_EXE_FORMAT;

  struct Case {
    const char* what;
    size_t offset;
    uint32_t value;
    DWORD twinError;  // what looking up CASETWIN gives
  };
  const Case cases[] = {
      {"export directory past the image", pe_file::DataDirectoryOffset(original, IMAGE_DIRECTORY_ENTRY_EXPORT),
       sizeOfImage - 8, kBad},
      {"name table past the image", table + offsetof(IMAGE_EXPORT_DIRECTORY, AddressOfNames), sizeOfImage - 4, kBad},
      {"name count past the image", table + offsetof(IMAGE_EXPORT_DIRECTORY, NumberOfNames), 0x40000000, kBad},
      {"ordinal table past the image", table + offsetof(IMAGE_EXPORT_DIRECTORY, AddressOfNameOrdinals), 0xFFFFFFFE,
       kBad},
      {"function table past the image", table + offsetof(IMAGE_EXPORT_DIRECTORY, AddressOfFunctions), sizeOfImage,
       kBad},
      {"jsBindFunction's name past the image", bind.nameRvaOffset, sizeOfImage + 0x100, 0},
      {"jsBindFunction's function past the image", *pe_file::FileOffset(original, functions) + 4 * bind.functionIndex,
       sizeOfImage, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes file = original;
    pe_file::Put<uint32_t>(file, c.offset, c.value);
    const MemoryModulePtr module = Load(file);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LookupError(module.get(), "CASETWIN"), c.twinError);
    EXPECT_EQ(LookupError(module.get(), "jsBindFunction"), kBad);
  }
}

TEST(Exports, UnreadableExportSectionIsRefusedNotRead) {
  Bytes file = loader_test::ReadLibrary("loader_mixed_case.dll");
  const size_t edata = pe_file::SectionHeaderOffset(file, ".edata");
  pe_file::Put<DWORD>(file, edata + offsetof(IMAGE_SECTION_HEADER, Characteristics), IMAGE_SCN_CNT_INITIALIZED_DATA);
  const MemoryModulePtr module = Load(file);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(LookupError(module.get(), "jsBindFunction"), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));

  pe_file::Put<DWORD>(file, edata + offsetof(IMAGE_SECTION_HEADER, Characteristics),
                      IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_DISCARDABLE);
  const MemoryModulePtr discarded = Load(file);
  ASSERT_NE(discarded, nullptr);
  EXPECT_EQ(LookupError(discarded.get(), "jsBindFunction"), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

TEST(Exports, NameInDiscardedMemoryIsRefusedNotRead) {
  // The code section is made discardable (decommitted after loading; nothing here calls into
  // it) and jsBindFunction's name is pointed into it.
  Bytes file = loader_test::ReadLibrary("loader_mixed_case.dll");
  const size_t textHeader = pe_file::SectionHeaderOffset(file, ".text");
  const auto text = pe_file::Get<IMAGE_SECTION_HEADER>(file, textHeader);
  pe_file::Put<DWORD>(file, textHeader + offsetof(IMAGE_SECTION_HEADER, Characteristics),
                      text.Characteristics | IMAGE_SCN_MEM_DISCARDABLE);
  const std::vector<pe_file::Export> exports = pe_file::Exports(file);
  const pe_file::Export& bind = ExportNamed(exports, "jsBindFunction");
  ASSERT_LT(ExportNamed(exports, "CASETWIN").nameIndex, bind.nameIndex);
  pe_file::Put<uint32_t>(file, bind.nameRvaOffset, text.VirtualAddress);
  const MemoryModulePtr module = Load(file);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(LookupError(module.get(), "CASETWIN"), 0u);
  EXPECT_EQ(LookupError(module.get(), "jsBindFunction"), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

}  // namespace
