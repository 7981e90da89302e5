// References joined to page names and URLs: the first line is the base, the rest the reference.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto [base, ref] = SplitAtNewline(std::string_view(reinterpret_cast<const char*>(data), size));
  std::string joined = files::Resolve(std::string(base), std::string(ref));
  (void)files::IsUrl(joined);
  (void)files::Resolve(joined, std::string(ref));
  (void)files::Resolve(std::string(ref), std::string(base));
  // A reference joined to a URL stays below that URL's origin unless it names another one.
  if (files::IsUrl(std::string(base)) && !ref.empty() && ref.find(':') == std::string_view::npos &&
      ref.find("//") == std::string_view::npos && ref.find_first_not_of(" \t\r\n\f") != std::string_view::npos)
    FUZZ_CHECK(files::IsUrl(joined));
  return 0;
}
