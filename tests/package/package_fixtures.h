#pragma once
// What the package tests share: the archives built beside the test program, a scratch folder
// that is also the current directory, and whole-file reads through the package functions.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "package.h"

namespace package_test {

inline std::filesystem::path FixtureDir() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return std::filesystem::path(self).parent_path() / L"package_fixtures";
}

inline std::string ReadDiskFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteDiskFile(const std::filesystem::path& path, const std::string& content) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// The bytes an entry of the generated archives holds.
inline std::string Expected(const char* name) { return ReadDiskFile(FixtureDir() / L"expected" / name); }

inline std::wstring PackagePath() { return (FixtureDir() / L"package.exe").wstring(); }

// A fresh folder that is the current directory while the object lives.
class ScratchDir {
 public:
  ScratchDir() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::filesystem::path(temp) /
            (L"webshell-package-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter_++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    previous_ = previous;
    SetCurrentDirectoryW(path_.c_str());
  }
  ~ScratchDir() {
    SetCurrentDirectoryW(previous_.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
  std::wstring previous_;
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
