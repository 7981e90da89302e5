#pragma once
// What start-up learns once and other parts of the host read later.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

namespace startup {

inline constexpr int kResourceToolEntryCount = 17;
inline constexpr const char* kResourceToolEntryNames[kResourceToolEntryCount] = {"s13_init",
                                                                                 "s13_get_data_number",
                                                                                 "s13_get_arr_num",
                                                                                 "s13_get_frame_num",
                                                                                 "s13_get_frame_path",
                                                                                 "s13_set_frame_path",
                                                                                 "s13_pack",
                                                                                 "s13_ogg2g1l",
                                                                                 "s13_g1l2ogg",
                                                                                 "s13_get_res_file_type",
                                                                                 "s13_get_res_frame_num",
                                                                                 "s13_get_res_frame_path",
                                                                                 "s13_set_res_frame_path",
                                                                                 "s13_pack_res",
                                                                                 "s13_bat_pack",
                                                                                 "s13_bat_unpack",
                                                                                 "s13_font_pack"};

struct State {
  std::wstring moduleDirectory;  // the executable's folder, without a trailing backslash
  std::wstring moduleFileName;
  uint32_t osVersionWord = 0;  // major << 16 | minor
  std::string hardwareId;      // from plugins\hwid.dll, empty when it did not answer
  std::array<FARPROC, kResourceToolEntryCount> resourceTool{};
};

State& Get();

}  // namespace startup
