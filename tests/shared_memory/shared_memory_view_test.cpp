// Views of named shared memory: their usable size, and the text rules of reading and writing.
#include "services/shared_memory_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Mapping {
  HANDLE section = nullptr;
  void* view = nullptr;
  explicit Mapping(DWORD size, const wchar_t* name = nullptr, DWORD flags = 0) {
    section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE | flags, 0, size, name);
    if (section) view = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, 0);
  }
  ~Mapping() {
    if (view) UnmapViewOfFile(view);
    if (section) CloseHandle(section);
  }
};

TEST(SharedMemoryView, UsableSizeCoversTheMappingAndNoMoreThanItsPages) {
  Mapping small(100);
  ASSERT_NE(small.view, nullptr);
  const uint64_t smallSize = shared_memory::UsableSize(small.section, small.view);
  EXPECT_GE(smallSize, 100u);
  EXPECT_LE(smallSize, 4096u);
  Mapping large(16384);
  ASSERT_NE(large.view, nullptr);
  EXPECT_EQ(shared_memory::UsableSize(large.section, large.view), 16384u);
  EXPECT_EQ(shared_memory::UsableSize(nullptr, large.view), 16384u);
  EXPECT_EQ(shared_memory::UsableSize(nullptr, nullptr), 0u);
}

TEST(SharedMemoryView, OnlyCommittedPagesOfAReservedSectionAreUsable) {
  Mapping reserved(65536, nullptr, SEC_RESERVE);
  ASSERT_NE(reserved.view, nullptr);
  EXPECT_EQ(shared_memory::UsableSize(reserved.section, reserved.view), 0u);
  ASSERT_NE(VirtualAlloc(reserved.view, 4096, MEM_COMMIT, PAGE_READWRITE), nullptr);
  EXPECT_EQ(shared_memory::UsableSize(reserved.section, reserved.view), 4096u);
  // Writing a long text stops at the committed page instead of faulting on the next one.
  EXPECT_EQ(shared_memory::WriteText(reserved.view, 4096, std::wstring(3000, L'r')), 4094u);
}

TEST(SharedMemoryView, ShortTextIsWrittenWithItsTerminator) {
  std::vector<wchar_t> view(4096, L'#');
  EXPECT_EQ(shared_memory::WriteText(view.data(), 8192, L"hello"), 12u);
  EXPECT_EQ(shared_memory::ReadText(view.data(), 8192), L"hello");
  EXPECT_EQ(view[6], L'#');
}

TEST(SharedMemoryView, LongTextKeepsItsFirst2047CharactersAndTheTwoBytesAfterThem) {
  std::vector<wchar_t> view(4096, L'#');
  const std::wstring text = std::wstring(2047, L'a') + std::wstring(953, L'b');
  EXPECT_EQ(shared_memory::WriteText(view.data(), 8192, text), 4094u);
  EXPECT_EQ(std::wstring(view.data(), 2047), std::wstring(2047, L'a'));
  EXPECT_EQ(view[2047], L'#');
  // Exactly 2047 characters still fit with their terminator.
  std::vector<wchar_t> exact(4096, L'#');
  EXPECT_EQ(shared_memory::WriteText(exact.data(), 8192, std::wstring(2047, L'c')), 4096u);
  EXPECT_EQ(shared_memory::ReadText(exact.data(), 8192), std::wstring(2047, L'c'));
}

TEST(SharedMemoryView, WritingStopsAtTheMappingsSize) {
  std::vector<wchar_t> view(100, L'#');
  EXPECT_EQ(shared_memory::WriteText(view.data(), 20, std::wstring(3000, L'z')), 20u);
  EXPECT_EQ(std::wstring(view.data(), 10), std::wstring(10, L'z'));
  EXPECT_EQ(view[10], L'#');
}

TEST(SharedMemoryView, ReadingStopsAtTheEndOfTheViewWithoutAZero) {
  std::vector<wchar_t> view(64, L'q');
  EXPECT_EQ(shared_memory::ReadText(view.data(), 20), std::wstring(10, L'q'));
  EXPECT_EQ(shared_memory::ReadText(view.data(), 21), std::wstring(10, L'q'));
  EXPECT_EQ(shared_memory::ReadText(view.data(), 0), L"");
}

TEST(SharedMemoryView, ASectionOpenedByNameShowsTheCreatorsSize) {
  Mapping created(20480, L"webshell-view-test-20480");
  ASSERT_NE(created.view, nullptr);
  HANDLE opened = OpenFileMappingW(FILE_MAP_READ | SECTION_QUERY, FALSE, L"webshell-view-test-20480");
  ASSERT_NE(opened, nullptr);
  void* view = MapViewOfFile(opened, FILE_MAP_READ, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(shared_memory::UsableSize(opened, view), 20480u);
  UnmapViewOfFile(view);
  CloseHandle(opened);
}

}  // namespace
