#pragma once
// Unpacks a gzip file to its final name: written to "<final>.partial" beside it and moved over
// the final name in one step, so the final name only ever holds a whole, checked file.
#include <atomic>
#include <string>

namespace update {

// progress goes from 0 to 1 by compressed bytes read. False when the file is not whole gzip
// data (damaged, cut short, trailing bytes) or the result cannot be written; nothing is left
// then.
bool InflateGzFile(const std::wstring& from, const std::wstring& to, std::atomic<double>& progress);

}  // namespace update
