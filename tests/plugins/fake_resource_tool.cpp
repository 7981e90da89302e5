// Test plug-in VELQ___s13tool\313_vude.dll: logs every call with its arguments to tool.log
// beside it, and returns what tool.txt gives for the export ("s13_pack=7"; the path queries
// take "s13_get_frame_path=11,12" as their two outputs). Unlisted exports return 0.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <type_traits>

#include "plugin_script.h"
#include "plugins/sdk/resource_tool.h"

namespace {

std::string W(const wchar_t* text) {
  std::string quoted(1, '\'');
  quoted += plugin_script::Utf8(text);
  quoted += '\'';
  return quoted;
}
std::string N(int32_t number) { return std::to_string(number); }

int32_t Answer(const char* name, const std::string& arguments) {
  plugin_script::Load(L"tool.txt", L"tool.log");
  const int32_t result = std::atoi(plugin_script::Next(name, "0").c_str());
  plugin_script::Log(std::string(name) + "(" + arguments + ") -> " + N(result));
  return result;
}

void Outputs(const char* name, const std::string& arguments, int32_t* out1, int32_t* out2) {
  plugin_script::Load(L"tool.txt", L"tool.log");
  const std::string value = plugin_script::Next(name, "0,0");
  const std::string preset = N(*out1) + "," + N(*out2);
  *out1 = std::atoi(value.c_str());
  *out2 = std::atoi(value.substr(value.find(',') + 1).c_str());
  plugin_script::Log(std::string(name) + "(" + arguments + ", preset " + preset + ") -> " + value);
}

}  // namespace

#define EXPORT extern "C" __declspec(dllexport)

EXPORT int32_t __cdecl s13_init() { return Answer("s13_init", ""); }
EXPORT int32_t __cdecl s13_get_data_number(const wchar_t* file) { return Answer("s13_get_data_number", W(file)); }
EXPORT int32_t __cdecl s13_get_arr_num(const wchar_t* file, const wchar_t* text, int32_t a) {
  return Answer("s13_get_arr_num", W(file) + "," + W(text) + "," + N(a));
}
EXPORT int32_t __cdecl s13_get_frame_num(const wchar_t* file, const wchar_t* text, int32_t a, int32_t b) {
  return Answer("s13_get_frame_num", W(file) + "," + W(text) + "," + N(a) + "," + N(b));
}
EXPORT int32_t __cdecl s13_get_frame_path(const wchar_t* file, int32_t a, int32_t b, int32_t c, int32_t* out1,
                                          int32_t* out2) {
  Outputs("s13_get_frame_path", W(file) + "," + N(a) + "," + N(b) + "," + N(c), out1, out2);
  return 99;
}
EXPORT int32_t __cdecl s13_set_frame_path(const wchar_t* file, int32_t a, int32_t b, int32_t c, const wchar_t* text) {
  return Answer("s13_set_frame_path", W(file) + "," + N(a) + "," + N(b) + "," + N(c) + "," + W(text));
}
EXPORT int32_t __cdecl s13_pack(const wchar_t* file, const wchar_t* text) {
  return Answer("s13_pack", W(file) + "," + W(text));
}
EXPORT int32_t __cdecl s13_ogg2g1l(const wchar_t* file, const char* text) {
  return Answer("s13_ogg2g1l", W(file) + ",'" + text + "'");
}
EXPORT int32_t __cdecl s13_g1l2ogg(const wchar_t* file, const wchar_t* text) {
  return Answer("s13_g1l2ogg", W(file) + "," + W(text));
}
EXPORT int32_t __cdecl s13_get_res_file_type(const wchar_t* file) { return Answer("s13_get_res_file_type", W(file)); }
EXPORT int32_t __cdecl s13_get_res_frame_num(const wchar_t* file) { return Answer("s13_get_res_frame_num", W(file)); }
EXPORT int32_t __cdecl s13_get_res_frame_path(const wchar_t* file, int32_t a, int32_t* out1, int32_t* out2) {
  Outputs("s13_get_res_frame_path", W(file) + "," + N(a), out1, out2);
  return 99;
}
EXPORT int32_t __cdecl s13_set_res_frame_path(const wchar_t* file, int32_t a, const wchar_t* text) {
  return Answer("s13_set_res_frame_path", W(file) + "," + N(a) + "," + W(text));
}
EXPORT int32_t __cdecl s13_pack_res(const wchar_t* file) { return Answer("s13_pack_res", W(file)); }
EXPORT int32_t __cdecl s13_bat_pack(const wchar_t* first, const wchar_t* second, const wchar_t* third) {
  return Answer("s13_bat_pack", W(first) + "," + W(second) + "," + W(third));
}
EXPORT int32_t __cdecl s13_bat_unpack(const wchar_t* first, const wchar_t* second, int32_t a, int32_t b,
                                      const wchar_t* third) {
  return Answer("s13_bat_unpack", W(first) + "," + W(second) + "," + N(a) + "," + N(b) + "," + W(third));
}
EXPORT int32_t __cdecl s13_font_pack(const wchar_t* first, const wchar_t* second, const wchar_t* third) {
  return Answer("s13_font_pack", W(first) + "," + W(second) + "," + W(third));
}

static_assert(std::is_same_v<decltype(&s13_init), s13_init_t>);
static_assert(std::is_same_v<decltype(&s13_get_data_number), s13_get_data_number_t>);
static_assert(std::is_same_v<decltype(&s13_get_arr_num), s13_get_arr_num_t>);
static_assert(std::is_same_v<decltype(&s13_get_frame_num), s13_get_frame_num_t>);
static_assert(std::is_same_v<decltype(&s13_get_frame_path), s13_get_frame_path_t>);
static_assert(std::is_same_v<decltype(&s13_set_frame_path), s13_set_frame_path_t>);
static_assert(std::is_same_v<decltype(&s13_pack), s13_pack_t>);
static_assert(std::is_same_v<decltype(&s13_ogg2g1l), s13_ogg2g1l_t>);
static_assert(std::is_same_v<decltype(&s13_g1l2ogg), s13_g1l2ogg_t>);
static_assert(std::is_same_v<decltype(&s13_get_res_file_type), s13_get_res_file_type_t>);
static_assert(std::is_same_v<decltype(&s13_get_res_frame_num), s13_get_res_frame_num_t>);
static_assert(std::is_same_v<decltype(&s13_get_res_frame_path), s13_get_res_frame_path_t>);
static_assert(std::is_same_v<decltype(&s13_set_res_frame_path), s13_set_res_frame_path_t>);
static_assert(std::is_same_v<decltype(&s13_pack_res), s13_pack_res_t>);
static_assert(std::is_same_v<decltype(&s13_bat_pack), s13_bat_pack_t>);
static_assert(std::is_same_v<decltype(&s13_bat_unpack), s13_bat_unpack_t>);
static_assert(std::is_same_v<decltype(&s13_font_pack), s13_font_pack_t>);
