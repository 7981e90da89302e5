#pragma once
// What the fuzz targets share: a check that stops the run with a message (the sanitizers
// report crashes by themselves) and splitting an input into two texts at its first newline.
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

inline std::pair<std::string_view, std::string_view> SplitAtNewline(std::string_view s) {
  size_t nl = s.find('\n');
  if (nl == std::string_view::npos) return {s, {}};
  return {s.substr(0, nl), s.substr(nl + 1)};
}
