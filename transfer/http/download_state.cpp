#include "download_state.h"

#include <json/reader.h>
#include <json/writer.h>

#include <memory>
#include <sstream>

#include "download_file.h"

namespace download {

namespace {

int64_t Size(const Json::Value& object, const char* name) {
  const Json::Value& value = object[name];
  if (value.isInt64() && value.asInt64() >= 0) return value.asInt64();
  if (value.isDouble() && value.asDouble() >= 0 && value.asDouble() < 9.0e15)
    return static_cast<int64_t>(value.asDouble());
  return 0;
}

std::string Text(const Json::Value& object, const char* name) {
  const Json::Value& value = object[name];
  return value.isString() ? value.asString() : std::string();
}

}  // namespace

State ParseState(const std::string& text) {
  State state;
  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors) || !root.isObject()) return state;
  state.object = root;
  state.found = true;
  state.total = Size(root, "size_all");
  state.downloaded = Size(root, "size_downloaded");
  state.validator = Text(root, kValidatorMember);
  state.url = Text(root, kUrlMember);
  return state;
}

std::string SerializeState(const State& state) {
  Json::Value object = state.object.isObject() ? state.object : Json::Value(Json::objectValue);
  object["size_all"] = Json::Value(static_cast<Json::Int64>(state.total));
  object["size_downloaded"] = Json::Value(static_cast<Json::Int64>(state.downloaded));
  if (!state.validator.empty()) object[kValidatorMember] = state.validator;
  else object.removeMember(kValidatorMember);
  if (!state.url.empty()) object[kUrlMember] = state.url;
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["precision"] = 17;
  builder["precisionType"] = "significant";
  builder["emitUTF8"] = true;
  return Json::writeString(builder, object) + "\n";
}

std::wstring StatePath(const std::wstring& target) { return target + L".json"; }

State ReadState(const std::wstring& target) {
  std::string text;
  if (!ReadWholeFile(StatePath(target), text)) return State{};
  return ParseState(text);
}

bool WriteState(const std::wstring& target, const State& state) {
  return ReplaceContent(StatePath(target), SerializeState(state));
}

}  // namespace download
