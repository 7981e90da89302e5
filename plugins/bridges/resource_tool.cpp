#include "resource_tool.h"

#include <cstdint>
#include <string>
#include <tuple>

#include "bridge/completion.h"
#include "bridge/script_values.h"
#include "host/startup_state.h"
#include "plugins/sdk/resource_tool.h"

namespace natives {

namespace {

// Entry indexes in the order start-up resolves them.
enum Entry {
  kInit,
  kGetDataNumber,
  kGetArrNum,
  kGetFrameNum,
  kGetFramePath,
  kSetFramePath,
  kPack,
  kOgg2G1l,
  kG1l2Ogg,
  kGetResFileType,
  kGetResFrameNum,
  kGetResFramePath,
  kSetResFramePath,
  kPackRes,
  kBatPack,
  kBatUnpack,
  kFontPack,
};

template <typename Function>
Function EntryAs(Entry entry) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(startup::Get().resourceTool[entry]));
}

// Reads the arguments in order, one index after another.
struct Arguments {
  jsExecState es;
  int next = 0;
};

// One input, read by the type the export takes and kept while the export runs.
template <typename Param>
struct Input;
template <>
struct Input<const wchar_t*> {
  std::wstring text;
  void Read(Arguments& in) { text = script::Text(in.es, in.next++); }
  const wchar_t* Pass() const { return text.c_str(); }
};
template <>
struct Input<const char*> {
  std::string text;
  void Read(Arguments& in) { text = script::Utf8(in.es, in.next++); }
  const char* Pass() const { return text.c_str(); }
};
template <>
struct Input<int32_t> {
  int32_t number = 0;
  void Read(Arguments& in) { number = script::Int(in.es, in.next++); }
  int32_t Pass() const { return number; }
};

// Calls back with the values on the UI thread; the callback has run when this returns.
jsValue Answer(const Arguments& in, std::initializer_list<completion::Value> values) {
  return script::Boolean(completion::Send(completion::TargetOf(in.es, in.next), values));
}

// The inputs read in order, the export called with them when it exists (else the result is
// 0), and the callback after the inputs called with the result.
template <typename Function>
struct Forward;
template <typename... Params>
struct Forward<int32_t(__cdecl*)(Params...)> {
  static jsValue Run(jsExecState es, Entry entry) {
    Arguments in{es};
    std::tuple<Input<Params>...> inputs;
    std::apply([&in](auto&... input) { (input.Read(in), ...); }, inputs);
    const auto call = EntryAs<int32_t(__cdecl*)(Params...)>(entry);
    const int32_t result = call ? std::apply([call](auto&... input) { return call(input.Pass()...); }, inputs) : 0;
    return Answer(in, {result});
  }
};

// The path queries: the inputs as above, then two outputs preset to 0, which the callback gets.
template <typename Function, typename... Params>
jsValue Outputs(jsExecState es, Entry entry) {
  Arguments in{es};
  std::tuple<Input<Params>...> inputs;
  std::apply([&in](auto&... input) { (input.Read(in), ...); }, inputs);
  int32_t out1 = 0, out2 = 0;
  if (const auto call = EntryAs<Function>(entry))
    std::apply([&](auto&... input) { call(input.Pass()..., &out1, &out2); }, inputs);
  return Answer(in, {out1, out2});
}

}  // namespace

jsValue Js_S13_init(jsExecState) {
  if (const auto init = EntryAs<s13_init_t>(kInit)) init();
  return script::Boolean(true);
}

jsValue Js_Get_Data_Num(jsExecState es) { return Forward<s13_get_data_number_t>::Run(es, kGetDataNumber); }

jsValue Js_Get_Arr_Num(jsExecState es) { return Forward<s13_get_arr_num_t>::Run(es, kGetArrNum); }

jsValue Js_Get_Frame_Num(jsExecState es) { return Forward<s13_get_frame_num_t>::Run(es, kGetFrameNum); }

jsValue Js_Get_Frame_Path(jsExecState es) {
  return Outputs<s13_get_frame_path_t, const wchar_t*, int32_t, int32_t, int32_t>(es, kGetFramePath);
}

jsValue Js_Set_Frame_Path(jsExecState es) { return Forward<s13_set_frame_path_t>::Run(es, kSetFramePath); }

jsValue Js_S13_Bat_Pack(jsExecState es) { return Forward<s13_bat_pack_t>::Run(es, kBatPack); }

jsValue Js_S13_Bat_Unpack(jsExecState es) { return Forward<s13_bat_unpack_t>::Run(es, kBatUnpack); }

jsValue Js_S13_Save(jsExecState es) { return Forward<s13_pack_t>::Run(es, kPack); }

jsValue Js_G1l2Ogg(jsExecState es) { return Forward<s13_g1l2ogg_t>::Run(es, kG1l2Ogg); }

jsValue Js_Ogg2G1l(jsExecState es) { return Forward<s13_ogg2g1l_t>::Run(es, kOgg2G1l); }

jsValue Js_Res_FileType(jsExecState es) { return Forward<s13_get_res_file_type_t>::Run(es, kGetResFileType); }

jsValue Js_Res_Frame_Num(jsExecState es) { return Forward<s13_get_res_frame_num_t>::Run(es, kGetResFrameNum); }

jsValue Js_Res_Frame_Path(jsExecState es) {
  return Outputs<s13_get_res_frame_path_t, const wchar_t*, int32_t>(es, kGetResFramePath);
}

jsValue Js_Res_Set_Frame_Path(jsExecState es) { return Forward<s13_set_res_frame_path_t>::Run(es, kSetResFramePath); }

jsValue Js_Res_Save(jsExecState es) { return Forward<s13_pack_res_t>::Run(es, kPackRes); }

jsValue Js_S13_Font_Pack(jsExecState es) { return Forward<s13_font_pack_t>::Run(es, kFontPack); }

}  // namespace natives
