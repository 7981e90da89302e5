#pragma once
// Scratch folders and whole-file reads and writes for the googletest programs.
#include <filesystem>
#include <string>
#include <string_view>

namespace test_support {

// A fresh folder under the temporary folder for one test, removed with everything in it.
class TempFolder {
 public:
  explicit TempFolder(std::wstring_view prefix = L"webshell-test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::wstring operator/(std::wstring_view name) const;

 private:
  std::filesystem::path path_;
};

// Makes folder the current directory while the object lives.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::filesystem::path& folder);
  ~CurrentDirectory();
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

bool IsFolder(const std::filesystem::path& path);
// Creates the file's folders first.
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
// The whole file, or "<missing>" when it cannot be opened.
std::string ReadBytes(const std::filesystem::path& path);

}  // namespace test_support
