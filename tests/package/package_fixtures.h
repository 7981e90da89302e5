#pragma once
// What the package tests share: the archives built beside the test program, a scratch folder
// that is also the current directory, and whole-file reads through the package functions.
#include <windows.h>

#include <filesystem>
#include <string>

#include "host/package.h"
#include "tests/support/temp_folder.h"

namespace package_test {

inline std::filesystem::path FixtureDir() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return std::filesystem::path(self).parent_path() / L"package_fixtures";
}

using test_support::ReadBytes;
using test_support::WriteBytes;

// The bytes an entry of the generated archives holds.
inline std::string Expected(const char* name) { return ReadBytes(FixtureDir() / L"expected" / name); }

inline std::wstring PackagePath() { return (FixtureDir() / L"package.exe").wstring(); }

// A fresh folder that is the current directory while the object lives.
class ScratchDir {
 public:
  ScratchDir() : folder_(L"webshell-package"), current_(folder_.path()) {}

  const std::filesystem::path& path() const { return folder_.path(); }

 private:
  test_support::TempFolder folder_;
  test_support::CurrentDirectory current_;
};

// Reads in small pieces until the end, so multi-call reads are exercised too.
inline std::string ReadAll(package::File& file) {
  std::string content;
  char buffer[1000];
  for (;;) {
    const int done = package::Read(file, buffer, sizeof buffer);
    if (done <= 0) break;
    content.append(buffer, static_cast<size_t>(done));
  }
  return content;
}

inline std::string ReadAll(const package::FilePtr& file) { return file ? ReadAll(*file) : std::string("<none>"); }

}  // namespace package_test
