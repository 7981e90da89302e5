// A library built the ordinary way, with the C run-time's start-up code and imports from msvcrt,
// kernel32 and user32, loaded from memory with the default callbacks and used.
#include <gtest/gtest.h>

#include <cstdio>

#include "loader_support.h"

namespace {

TEST(RealWorld, LibraryWithRunTimeStartUpWorksFromMemory) {
  const pe_file::Bytes file = loader_test::ReadLibrary("loader_realworld.dll");
  ASSERT_NE(pe_file::NtHeaders(file).OptionalHeader.AddressOfEntryPoint, 0u);
  MemoryModulePtr module(MemoryModuleLoad(file.data(), file.size()));
  ASSERT_NE(module, nullptr) << GetLastError();
  MemoryModule* m = module.get();

  // The entry point ran the run-time start-up, which ran the library's constructor.
  EXPECT_EQ(loader_test::ExportOf<int (*)()>(m, "realworld_constructed")(), 0x5eed);

  char formatted[64] = {};
  char expected[64] = {};
  const int length =
      loader_test::ExportOf<int (*)(char*, int, int)>(m, "realworld_format")(formatted, sizeof formatted, 48879);
  std::snprintf(expected, sizeof expected, "value=%d hex=%x", 48879, 48879u);
  EXPECT_STREQ(formatted, expected);
  EXPECT_EQ(length, static_cast<int>(std::strlen(expected)));

  int values[] = {5, -3, 12, 0, 7, -3};
  loader_test::ExportOf<void (*)(int*, int)>(m, "realworld_sort")(values, 6);
  EXPECT_TRUE(std::is_sorted(std::begin(values), std::end(values)));
  EXPECT_EQ(values[0], -3);
  EXPECT_EQ(values[5], 12);

  char* upper = loader_test::ExportOf<char* (*)(const char*)>(m, "realworld_upper")("hello, world");
  ASSERT_NE(upper, nullptr);
  EXPECT_STREQ(upper, "HELLO, WORLD");
  loader_test::ExportOf<void (*)(char*)>(m, "realworld_release")(upper);

  EXPECT_EQ(loader_test::ExportOf<DWORD (*)()>(m, "realworld_process_id")(), GetCurrentProcessId());
}

TEST(RealWorld, LibraryLoadsAgainAfterBeingFreed) {
  const pe_file::Bytes file = loader_test::ReadLibrary("loader_realworld.dll");
  for (int round = 0; round < 3; ++round) {
    MemoryModulePtr module(MemoryModuleLoad(file.data(), file.size()));
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_EQ(loader_test::ExportOf<int (*)()>(module.get(), "realworld_constructed")(), 0x5eed);
  }
  // Two copies at once are independent images.
  MemoryModulePtr first(MemoryModuleLoad(file.data(), file.size()));
  MemoryModulePtr second(MemoryModuleLoad(file.data(), file.size()));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(MemoryModuleGetExport(first.get(), "realworld_format"),
            MemoryModuleGetExport(second.get(), "realworld_format"));
}

}  // namespace
