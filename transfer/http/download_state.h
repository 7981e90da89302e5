#pragma once
// The state file beside a download's target ("<target>.json"): one compact JSON object with
// "size_all" (the full size) and "size_downloaded" (the bytes on disk), written back with every
// other member it held. The download also keeps the server's validator and the URL there, so a
// later run never continues a changed file or another address with the old bytes.
#include <json/value.h>

#include <cstdint>
#include <string>

namespace download {

struct State {
  Json::Value object{Json::objectValue};  // as read; written back with the members below set
  int64_t total = 0;
  int64_t downloaded = 0;
  std::string validator;
  std::string url;
  bool found = false;  // the file was there and held an object
};

inline constexpr char kValidatorMember[] = "validator";
inline constexpr char kUrlMember[] = "url";

// Parses a state file's text. Absent, non-numeric or negative sizes give 0; text that is not
// a JSON object gives an empty state.
State ParseState(const std::string& text);
// The object with the current values set, in the compact form: no spaces, members sorted by
// name, whole numbers plain, one line feed at the end.
std::string SerializeState(const State& state);

std::wstring StatePath(const std::wstring& target);
State ReadState(const std::wstring& target);
// Writes over the state file (attributes cleared first); retried briefly while another program
// holds the file. False when it could not be written.
bool WriteState(const std::wstring& target, const State& state);

}  // namespace download
