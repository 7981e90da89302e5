/* VELQ___s13tool\313_vude.dll, the game-resource tool. Loaded once at start-up; s13_init is
 * called once then (and again when a page asks). Every export is __cdecl and exported by this
 * name; the program calls them on its user-interface thread, one at a time.
 *
 * Texts are zero-terminated UTF-16 except the one marked UTF-8; integers and results are
 * 32-bit. The two path queries write their two outputs through the pointers, which the program
 * presets to 0. */
#ifndef WEBSHELL_SDK_RESOURCE_TOOL_H
#define WEBSHELL_SDK_RESOURCE_TOOL_H

#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t(__cdecl* s13_init_t)(void);
typedef int32_t(__cdecl* s13_get_data_number_t)(const wchar_t* file);
typedef int32_t(__cdecl* s13_get_arr_num_t)(const wchar_t* file, const wchar_t* text, int32_t a);
typedef int32_t(__cdecl* s13_get_frame_num_t)(const wchar_t* file, const wchar_t* text, int32_t a, int32_t b);
typedef int32_t(__cdecl* s13_get_frame_path_t)(const wchar_t* file, int32_t a, int32_t b, int32_t c, int32_t* out1,
                                               int32_t* out2);
typedef int32_t(__cdecl* s13_set_frame_path_t)(const wchar_t* file, int32_t a, int32_t b, int32_t c,
                                               const wchar_t* text);
typedef int32_t(__cdecl* s13_pack_t)(const wchar_t* file, const wchar_t* text);
typedef int32_t(__cdecl* s13_ogg2g1l_t)(const wchar_t* file, const char* utf8);
typedef int32_t(__cdecl* s13_g1l2ogg_t)(const wchar_t* file, const wchar_t* text);
typedef int32_t(__cdecl* s13_get_res_file_type_t)(const wchar_t* file);
typedef int32_t(__cdecl* s13_get_res_frame_num_t)(const wchar_t* file);
typedef int32_t(__cdecl* s13_get_res_frame_path_t)(const wchar_t* file, int32_t a, int32_t* out1, int32_t* out2);
typedef int32_t(__cdecl* s13_set_res_frame_path_t)(const wchar_t* file, int32_t a, const wchar_t* text);
typedef int32_t(__cdecl* s13_pack_res_t)(const wchar_t* file);
typedef int32_t(__cdecl* s13_bat_pack_t)(const wchar_t* text1, const wchar_t* text2, const wchar_t* text3);
typedef int32_t(__cdecl* s13_bat_unpack_t)(const wchar_t* text1, const wchar_t* text2, int32_t a, int32_t b,
                                           const wchar_t* text3);
typedef int32_t(__cdecl* s13_font_pack_t)(const wchar_t* text1, const wchar_t* text2, const wchar_t* text3);

#ifdef __cplusplus
}
#endif

#endif
