// The version block byte by byte, and reading and stamping version resources of files on disk.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "services/version_resource.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

const wchar_t* const kKeys[] = {L"CompanyName",     L"ProductName", L"InternalName",   L"OriginalFilename",
                                L"FileDescription", L"FileVersion", L"ProductVersion", L"LegalCopyright"};

// The block a version stamp with these eight values writes.
std::vector<uint8_t> Block(const std::vector<std::wstring>& values) {
  version_resource::Builder builder;
  for (size_t i = 0; i < 8; ++i) version_resource::Set(builder, kKeys[i], values[i]);
  return version_resource::Build(builder);
}

uint16_t WordAt(const std::vector<uint8_t>& block, size_t offset) {
  return static_cast<uint16_t>(block.at(offset) | block.at(offset + 1) << 8);
}

uint32_t DwordAt(const std::vector<uint8_t>& block, size_t offset) {
  return WordAt(block, offset) | static_cast<uint32_t>(WordAt(block, offset + 2)) << 16;
}

// The key text (with its terminator) at offset.
std::wstring TextAt(const std::vector<uint8_t>& block, size_t offset, size_t* end = nullptr) {
  std::wstring text;
  for (;;) {
    const wchar_t unit = static_cast<wchar_t>(WordAt(block, offset));
    offset += 2;
    if (unit == 0) break;
    text.push_back(unit);
  }
  if (end) *end = offset;
  return text;
}

size_t Padded(size_t offset) { return (offset + 3) & ~size_t{3}; }

struct Entry {
  size_t start, length, valueLength, type;
  std::wstring key, value;
  size_t next;  // the start of what follows, after the padding
};

Entry EntryAt(const std::vector<uint8_t>& block, size_t start) {
  Entry entry{start, WordAt(block, start), WordAt(block, start + 2), WordAt(block, start + 4), {}, {}, 0};
  size_t at = 0;
  entry.key = TextAt(block, start + 6, &at);
  entry.value = TextAt(block, Padded(at), &at);
  EXPECT_EQ(entry.length, at - start) << "length of " << std::string(entry.key.begin(), entry.key.end());
  entry.next = Padded(at);
  return entry;
}

TEST(VersionBlock, EightEmptyValuesMakeTheKnownLayout) {
  const std::vector<uint8_t> block = Block(std::vector<std::wstring>(8));
  ASSERT_EQ(block.size(), 532u);
  EXPECT_EQ(WordAt(block, 0), 532);
  EXPECT_EQ(WordAt(block, 2), 52);
  EXPECT_EQ(WordAt(block, 4), 0);
  size_t at = 0;
  EXPECT_EQ(TextAt(block, 6, &at), L"VS_VERSION_INFO");
  EXPECT_EQ(at, 38u);
  EXPECT_EQ(WordAt(block, 38), 0);

  // The fixed record at 40: nothing set but the constant fields.
  EXPECT_EQ(DwordAt(block, 40), 0xFEEF04BDu);
  EXPECT_EQ(DwordAt(block, 44), 0x00010000u);
  for (size_t offset : {48u, 52u, 56u, 60u}) EXPECT_EQ(DwordAt(block, offset), 0u) << offset;
  EXPECT_EQ(DwordAt(block, 64), 0x3Fu);
  EXPECT_EQ(DwordAt(block, 68), 0u);
  EXPECT_EQ(DwordAt(block, 72), 0x00040004u);
  EXPECT_EQ(DwordAt(block, 76), 1u);
  EXPECT_EQ(DwordAt(block, 80), 0u);
  EXPECT_EQ(DwordAt(block, 84), 0u);
  EXPECT_EQ(DwordAt(block, 88), 0u);

  // String-file-info at 92, its table at 128, both running to the end of the last entry.
  EXPECT_EQ(WordAt(block, 92), 464 - 92);
  EXPECT_EQ(WordAt(block, 94), 0);
  EXPECT_EQ(WordAt(block, 96), 1);
  EXPECT_EQ(TextAt(block, 98, &at), L"StringFileInfo");
  EXPECT_EQ(at, 128u);
  EXPECT_EQ(WordAt(block, 128), 464 - 128);
  EXPECT_EQ(WordAt(block, 130), 0);
  EXPECT_EQ(WordAt(block, 132), 1);
  EXPECT_EQ(TextAt(block, 134, &at), L"00090001");
  EXPECT_EQ(at, 152u);

  // The entries in sort-key order, each with the sizes it takes.
  const struct {
    const wchar_t* key;
    size_t bytes;
  } expected[] = {{L"LegalCopyright", 40},  {L"OriginalFilename", 44}, {L"FileVersion", 36},
                  {L"ProductName", 36},     {L"InternalName", 36},     {L"CompanyName", 36},
                  {L"FileDescription", 44}, {L"ProductVersion", 40}};
  size_t start = 152;
  for (const auto& want : expected) {
    const Entry entry = EntryAt(block, start);
    EXPECT_EQ(entry.key, want.key);
    EXPECT_EQ(entry.value, L"");
    EXPECT_EQ(entry.valueLength, 1u);
    EXPECT_EQ(entry.type, 1u);
    EXPECT_EQ(entry.next - entry.start, want.bytes) << std::string(entry.key.begin(), entry.key.end());
    start = entry.next;
  }
  ASSERT_EQ(start, 464u);

  // Var-file-info: 68 bytes holding the one translation, language 9 and code page 1.
  EXPECT_EQ(WordAt(block, 464), 68);
  EXPECT_EQ(WordAt(block, 466), 0);
  EXPECT_EQ(WordAt(block, 468), 1);
  EXPECT_EQ(TextAt(block, 470, &at), L"VarFileInfo");
  EXPECT_EQ(at, 494u);
  EXPECT_EQ(WordAt(block, 494), 0);
  EXPECT_EQ(WordAt(block, 496), 36);
  EXPECT_EQ(WordAt(block, 498), 4);
  EXPECT_EQ(WordAt(block, 500), 0);
  EXPECT_EQ(TextAt(block, 502, &at), L"Translation");
  EXPECT_EQ(at, 526u);
  EXPECT_EQ(WordAt(block, 526), 0);
  EXPECT_EQ(WordAt(block, 528), 9);
  EXPECT_EQ(WordAt(block, 530), 1);
}

TEST(VersionBlock, ValuesLandInTheirEntriesWithTheirSizes) {
  const std::vector<uint8_t> block =
      Block({L"Quillmoor", L"Harbor", L"harbor", L"harbor.exe", L"The harbor", L"1.2.3.4", L"5.6", L"(c) 2026 Q"});
  size_t start = 152;
  std::map<std::wstring, std::wstring> found;
  for (int i = 0; i < 8; ++i) {
    const Entry entry = EntryAt(block, start);
    EXPECT_EQ(entry.valueLength, entry.value.size() + 1);
    EXPECT_EQ(entry.start % 4, 0u);
    found[entry.key] = entry.value;
    start = entry.next;
  }
  EXPECT_EQ(found[L"CompanyName"], L"Quillmoor");
  EXPECT_EQ(found[L"OriginalFilename"], L"harbor.exe");
  EXPECT_EQ(found[L"FileVersion"], L"1.2.3.4");
  EXPECT_EQ(found[L"ProductVersion"], L"5.6");
  EXPECT_EQ(found[L"LegalCopyright"], L"(c) 2026 Q");
  EXPECT_EQ(WordAt(block, 92), start - 92);
  EXPECT_EQ(WordAt(block, 128), start - 128);
  EXPECT_EQ(WordAt(block, start), 68);
  EXPECT_EQ(WordAt(block, 0), block.size());
  EXPECT_EQ(block.size(), start + 68);
  // File version 1.2.3.4; product version 5.6 with the missing numbers 0.
  EXPECT_EQ(DwordAt(block, 48), 0x00010002u);
  EXPECT_EQ(DwordAt(block, 52), 0x00030004u);
  EXPECT_EQ(DwordAt(block, 56), 0x00050006u);
  EXPECT_EQ(DwordAt(block, 60), 0u);
}

TEST(VersionBlock, VersionTextsToFixedWords) {
  using version_resource::ParseVersion;
  using Words = std::pair<uint32_t, uint32_t>;
  EXPECT_EQ(ParseVersion(L"1.2.3.4"), Words(0x00010002, 0x00030004));
  EXPECT_EQ(ParseVersion(L"70000.1.1.1"), Words(4464u << 16 | 1, 0x00010001));
  EXPECT_EQ(ParseVersion(L"2"), Words(0x00020000, 0));
  EXPECT_EQ(ParseVersion(L"2.5"), Words(0x00020005, 0));
  EXPECT_EQ(ParseVersion(L"2.5.7"), Words(0x00020005, 0x00070000));
  EXPECT_EQ(ParseVersion(L""), Words(0, 0));
  EXPECT_EQ(ParseVersion(L"beta"), Words(0, 0));
  EXPECT_EQ(ParseVersion(L"3.x.9.9"), Words(0x00030000, 0));
  EXPECT_EQ(ParseVersion(L"1.2.3.4.5"), Words(0x00010002, 0x00030004));
  EXPECT_EQ(ParseVersion(L" 7. 8.9.10 build"), Words(0x00070008, 0x0009000A));
  EXPECT_EQ(ParseVersion(L"-1.0.0.65536"), Words(0xFFFF0000, 0));
  EXPECT_EQ(ParseVersion(L"99999999999999999999.1.1.1").second, 0x00010001u);
}

TEST(VersionBlock, LongFileVersionKeepsItsTextAndCutsTheFixedWord) {
  const std::vector<uint8_t> block = Block({L"", L"", L"", L"", L"", L"70000.1.1.1", L"", L""});
  EXPECT_EQ(DwordAt(block, 48), 4464u << 16 | 1);
  size_t start = 152;
  std::wstring text;
  for (int i = 0; i < 8; ++i) {
    const Entry entry = EntryAt(block, start);
    if (entry.key == L"FileVersion") text = entry.value;
    start = entry.next;
  }
  EXPECT_EQ(text, L"70000.1.1.1");
}

TEST(VersionBlock, SettingAKeyAgainReplacesItRegardlessOfCase) {
  version_resource::Builder builder;
  version_resource::Set(builder, L"FileVersion", L"1.0.0.0");
  version_resource::Set(builder, L"fileversion", L"2.0.0.0");
  ASSERT_EQ(builder.strings.size(), 1u);
  EXPECT_EQ(builder.strings.begin()->second.value, L"2.0.0.0");
  EXPECT_EQ(builder.fixed.dwFileVersionMS, 0x00020000u);
  version_resource::Reset(builder);
  EXPECT_TRUE(builder.strings.empty());
  EXPECT_EQ(builder.fixed.dwFileVersionMS, 0u);
}

TEST(VersionBlock, LongValuesAreCutSoEveryLengthFitsItsWord) {
  const std::wstring huge(70000, L'x');
  const std::vector<uint8_t> block = Block(std::vector<std::wstring>(8, huge));
  ASSERT_FALSE(block.empty());
  ASSERT_LE(block.size(), 0xFFFFu);
  EXPECT_EQ(WordAt(block, 0), block.size());
  size_t start = 152;
  for (int i = 0; i < 8; ++i) {
    const Entry entry = EntryAt(block, start);
    EXPECT_EQ(entry.value.size(), version_resource::kMaxValueUnits);
    EXPECT_EQ(entry.valueLength, version_resource::kMaxValueUnits + 1);
    start = entry.next;
  }
  EXPECT_EQ(block.size(), start + 68);

  // A cut never separates the halves of a surrogate pair.
  std::wstring paired(version_resource::kMaxValueUnits - 1, L'a');
  paired += L"\xD83D\xDE00tail";
  const std::wstring_view bounded = version_resource::Bounded(paired);
  EXPECT_EQ(bounded.size(), version_resource::kMaxValueUnits - 1);
  EXPECT_EQ(version_resource::Bounded(L"short"), L"short");
}

// Files on disk -------------------------------------------------------------------------------

std::wstring ThisProgram() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

// A copy of this test program: an executable image without a version resource.
std::wstring PlainImage(const TempFolder& temp, const wchar_t* name) {
  const std::wstring path = temp / name;
  EXPECT_TRUE(CopyFileW(ThisProgram().c_str(), path.c_str(), FALSE));
  return path;
}

bool PutResource(const std::wstring& path, LPCWSTR name, WORD language, const std::vector<uint8_t>& block,
                 LPCWSTR type = RT_VERSION) {
  const HANDLE update = BeginUpdateResourceW(path.c_str(), FALSE);
  if (!update) return false;
  if (!UpdateResourceW(update, type, name, language, const_cast<uint8_t*>(block.data()),
                       static_cast<DWORD>(block.size()))) {
    EndUpdateResourceW(update, TRUE);
    return false;
  }
  return EndUpdateResourceW(update, FALSE) != FALSE;
}

// A version block with a string table per translation, in the order given, listed in that order.
struct Table {
  uint16_t language, codePage;
  std::vector<std::pair<std::wstring, std::wstring>> strings;
};

class RawBlock {
 public:
  std::vector<uint8_t> bytes;
  void Word(uint16_t w) {
    bytes.push_back(static_cast<uint8_t>(w));
    bytes.push_back(static_cast<uint8_t>(w >> 8));
  }
  void Text(const std::wstring& text) {
    for (wchar_t c : text) Word(static_cast<uint16_t>(c));
    Word(0);
  }
  void Pad() {
    while (bytes.size() % 4) bytes.push_back(0);
  }
  size_t Open(uint16_t valueLength, uint16_t type, const std::wstring& key) {
    const size_t start = bytes.size();
    Word(0);
    Word(valueLength);
    Word(type);
    Text(key);
    Pad();
    return start;
  }
  void Close(size_t start) {
    const size_t length = bytes.size() - start;
    bytes[start] = static_cast<uint8_t>(length);
    bytes[start + 1] = static_cast<uint8_t>(length >> 8);
  }
};

std::vector<uint8_t> SeveralTranslations(const std::vector<Table>& tables) {
  RawBlock out;
  const size_t root = out.Open(sizeof(VS_FIXEDFILEINFO), 0, L"VS_VERSION_INFO");
  VS_FIXEDFILEINFO fixed{};
  fixed.dwSignature = 0xFEEF04BD;
  fixed.dwStrucVersion = 0x00010000;
  const auto* raw = reinterpret_cast<const uint8_t*>(&fixed);
  out.bytes.insert(out.bytes.end(), raw, raw + sizeof fixed);
  const size_t stringFileInfo = out.Open(0, 1, L"StringFileInfo");
  for (const Table& table : tables) {
    wchar_t key[9] = {};
    swprintf(key, 9, L"%04x%04x", table.language, table.codePage);
    const size_t start = out.Open(0, 1, key);
    for (const auto& [name, value] : table.strings) {
      const size_t entry = out.Open(static_cast<uint16_t>(value.size() + 1), 1, name);
      out.Text(value);
      out.Close(entry);
      out.Pad();
    }
    out.Close(start);
  }
  out.Close(stringFileInfo);
  const size_t varFileInfo = out.Open(0, 1, L"VarFileInfo");
  const size_t translation = out.Open(static_cast<uint16_t>(4 * tables.size()), 0, L"Translation");
  for (const Table& table : tables) {
    out.Word(table.language);
    out.Word(table.codePage);
  }
  out.Close(translation);
  out.Close(varFileInfo);
  out.Close(root);
  return out.bytes;
}

std::wstring ReadOr(const std::wstring& path, const std::wstring& name, const wchar_t* missing = L"<none>") {
  const auto text = version_resource::Read(path, name);
  return text ? *text : missing;
}

size_t FilesIn(const TempFolder& temp) {
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(temp.path())) count += entry.is_regular_file() ? 1 : 0;
  return count;
}

TEST(VersionFiles, StampedValuesReadBack) {
  const TempFolder temp;
  const std::wstring path = PlainImage(temp, L"stamped.exe");
  EXPECT_EQ(ReadOr(path, L"FileVersion"), L"<none>");  // no version resource at all
  const std::vector<std::wstring> values = {L"Quillmoor",  L"Harbor",      L"harbor",  L"harbor.exe",
                                            L"The harbor", L"70000.1.1.1", L"1.2.3.4", L"(c) 2026 Quillmoor"};
  ASSERT_TRUE(version_resource::Write(path, Block(values)));
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(ReadOr(path, kKeys[i]), values[i]) << i;
  EXPECT_EQ(ReadOr(path, L"Comments"), L"<none>");

  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  std::vector<uint8_t> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT bytes = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &bytes));
  EXPECT_EQ(fixed->dwFileVersionMS, 4464u << 16 | 1);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00010001u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010002u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00030004u);
  EXPECT_EQ(FilesIn(temp), 1u);  // no copy left beside it
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR parameter) {
  reinterpret_cast<std::vector<WORD>*>(parameter)->push_back(language);
  return TRUE;
}

// The languages of the image's version resource 1.
std::vector<WORD> VersionLanguages(const std::wstring& path) {
  std::vector<WORD> languages;
  const HMODULE image = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!image) return {0xFFFF};
  EnumResourceLanguagesW(image, RT_VERSION, MAKEINTRESOURCEW(1), AddLanguage, reinterpret_cast<LONG_PTR>(&languages));
  FreeLibrary(image);
  return languages;
}

// The bytes of the image's data resource "KEEP", or "<none>".
std::string KeptData(const std::wstring& path) {
  const HMODULE image = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!image) return "<no image>";
  std::string text = "<none>";
  if (const HRSRC found = FindResourceW(image, L"KEEP", RT_RCDATA)) {
    text.assign(static_cast<const char*>(LockResource(LoadResource(image, found))), SizeofResource(image, found));
  }
  FreeLibrary(image);
  return text;
}

TEST(VersionFiles, StampingReplacesAVersionResourceOfAnotherLanguage) {
  const TempFolder temp;
  const std::wstring path = PlainImage(temp, L"old.exe");
  ASSERT_TRUE(
      PutResource(path, MAKEINTRESOURCEW(1), 0, SeveralTranslations({{0x0409, 1200, {{L"FileVersion", L"9.9.9.9"}}}})));
  EXPECT_EQ(ReadOr(path, L"FileVersion"), L"9.9.9.9");
  EXPECT_EQ(VersionLanguages(path), std::vector<WORD>{0});
  const std::string kept = "kept bytes";
  ASSERT_TRUE(PutResource(path, L"KEEP", 1033, std::vector<uint8_t>(kept.begin(), kept.end()), RT_RCDATA));
  ASSERT_TRUE(version_resource::Write(path, Block({L"", L"", L"", L"", L"", L"2.0.0.1", L"", L""})));
  EXPECT_EQ(ReadOr(path, L"FileVersion"), L"2.0.0.1");
  EXPECT_EQ(VersionLanguages(path), std::vector<WORD>{1033});
  // The image's other resources are still there.
  EXPECT_EQ(KeptData(path), "kept bytes");
}

TEST(VersionFiles, TheFirstTranslationWithTheNameAnswers) {
  const TempFolder temp;
  const std::wstring path = PlainImage(temp, L"several.exe");
  ASSERT_TRUE(PutResource(
      path, MAKEINTRESOURCEW(1), 1033,
      SeveralTranslations(
          {{0x0411, 932, {{L"ProductName", L"港"}, {L"Comments", L""}}},
           {0x0409, 1200, {{L"ProductName", L"Harbor"}, {L"Comments", L"second"}, {L"FileVersion", L"3.1"}}},
           {0x0009, 1, {{L"FileVersion", L"never read"}}}})));
  EXPECT_EQ(ReadOr(path, L"ProductName"), L"港");
  EXPECT_EQ(ReadOr(path, L"Comments"), L"second");  // an empty value does not count
  EXPECT_EQ(ReadOr(path, L"FileVersion"), L"3.1");
  EXPECT_EQ(ReadOr(path, L"CompanyName"), L"<none>");
}

TEST(VersionFiles, FilesThatCannotTakeItStayAsTheyWere) {
  const TempFolder temp;
  const std::vector<uint8_t> block = Block({L"c", L"p", L"i", L"o", L"d", L"1.2.3.4", L"1.2.3.4", L"l"});

  // Another program holds it open.
  const std::wstring locked = PlainImage(temp, L"locked.exe");
  const std::string before = ReadBytes(locked);
  {
    const HANDLE holder =
        CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(version_resource::Write(locked, block));
    CloseHandle(holder);
  }
  EXPECT_EQ(ReadBytes(locked), before);
  EXPECT_EQ(ReadOr(locked, L"FileVersion"), L"<none>");

  // Not an executable image.
  WriteBytes(temp / L"notes.txt", "just some text, not a program");
  EXPECT_FALSE(version_resource::Write(temp / L"notes.txt", block));
  EXPECT_EQ(ReadBytes(temp / L"notes.txt"), "just some text, not a program");

  // Read-only, and missing.
  const std::wstring readOnly = PlainImage(temp, L"readonly.exe");
  ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(version_resource::Write(readOnly, block));
  EXPECT_EQ(ReadBytes(readOnly), before);
  SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_FALSE(version_resource::Write(temp / L"missing.exe", block));

  // Nothing was left beside them.
  EXPECT_EQ(FilesIn(temp), 3u);
}

TEST(VersionFiles, TheRunningProgramStaysAsItWas) {
  const std::wstring self = ThisProgram();
  const std::string before = ReadBytes(self);
  EXPECT_FALSE(version_resource::Write(self, Block(std::vector<std::wstring>(8, L"1.0"))));
  EXPECT_EQ(ReadBytes(self), before);
}

}  // namespace
