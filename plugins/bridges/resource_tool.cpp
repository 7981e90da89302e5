#include "resource_tool.h"

#include <cstdint>
#include <string>

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
  std::wstring Text() { return script::Text(es, next++); }
  std::string Utf8() { return script::Utf8(es, next++); }
  int32_t Int() { return script::Int(es, next++); }
};

// Calls back with the values on the UI thread; the callback has run when this returns.
jsValue Answer(Arguments& arguments, std::initializer_list<completion::Value> values) {
  return script::Boolean(completion::Send(completion::TargetOf(arguments.es, arguments.next), values));
}

const wchar_t* Pass(const std::wstring& text) { return text.c_str(); }
const char* Pass(const std::string& text) { return text.c_str(); }
int32_t Pass(int32_t number) { return number; }

// A call with one result: export(inputs...) when the export exists, else 0.
template <typename Function, typename... Inputs>
jsValue Result(Arguments& arguments, Entry entry, const Inputs&... inputs) {
  const auto call = EntryAs<Function>(entry);
  const int32_t result = call ? call(Pass(inputs)...) : 0;
  return Answer(arguments, {result});
}

}  // namespace

jsValue Js_S13_init(jsExecState) {
  if (const auto init = EntryAs<s13_init_t>(kInit)) init();
  return script::Boolean(true);
}

jsValue Js_Get_Data_Num(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  return Result<s13_get_data_number_t>(in, kGetDataNumber, file);
}

jsValue Js_Get_Arr_Num(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  const std::wstring text = in.Text();
  const int32_t a = in.Int();
  return Result<s13_get_arr_num_t>(in, kGetArrNum, file, text, a);
}

jsValue Js_Get_Frame_Num(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  const std::wstring text = in.Text();
  const int32_t a = in.Int();
  const int32_t b = in.Int();
  return Result<s13_get_frame_num_t>(in, kGetFrameNum, file, text, a, b);
}

jsValue Js_Get_Frame_Path(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  const int32_t a = in.Int();
  const int32_t b = in.Int();
  const int32_t c = in.Int();
  int32_t out1 = 0, out2 = 0;
  if (const auto call = EntryAs<s13_get_frame_path_t>(kGetFramePath)) call(file.c_str(), a, b, c, &out1, &out2);
  return Answer(in, {out1, out2});
}

jsValue Js_Set_Frame_Path(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  const int32_t a = in.Int();
  const int32_t b = in.Int();
  const int32_t c = in.Int();
  const std::wstring text = in.Text();
  return Result<s13_set_frame_path_t>(in, kSetFramePath, file, a, b, c, text);
}

jsValue Js_S13_Bat_Pack(jsExecState es) {
  Arguments in{es};
  const std::wstring first = in.Text();
  const std::wstring second = in.Text();
  const std::wstring third = in.Text();
  return Result<s13_bat_pack_t>(in, kBatPack, first, second, third);
}

jsValue Js_S13_Bat_Unpack(jsExecState es) {
  Arguments in{es};
  const std::wstring first = in.Text();
  const std::wstring second = in.Text();
  const int32_t a = in.Int();
  const int32_t b = in.Int();
  const std::wstring third = in.Text();
  return Result<s13_bat_unpack_t>(in, kBatUnpack, first, second, a, b, third);
}

jsValue Js_S13_Save(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  const std::wstring text = in.Text();
  return Result<s13_pack_t>(in, kPack, file, text);
}

jsValue Js_G1l2Ogg(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  const std::wstring text = in.Text();
  return Result<s13_g1l2ogg_t>(in, kG1l2Ogg, file, text);
}

jsValue Js_Ogg2G1l(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  const std::string text = in.Utf8();
  return Result<s13_ogg2g1l_t>(in, kOgg2G1l, file, text);
}

jsValue Js_Res_FileType(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  return Result<s13_get_res_file_type_t>(in, kGetResFileType, file);
}

jsValue Js_Res_Frame_Num(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  return Result<s13_get_res_frame_num_t>(in, kGetResFrameNum, file);
}

jsValue Js_Res_Frame_Path(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  const int32_t a = in.Int();
  int32_t out1 = 0, out2 = 0;
  if (const auto call = EntryAs<s13_get_res_frame_path_t>(kGetResFramePath)) call(file.c_str(), a, &out1, &out2);
  return Answer(in, {out1, out2});
}

jsValue Js_Res_Set_Frame_Path(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  const int32_t a = in.Int();
  const std::wstring text = in.Text();
  return Result<s13_set_res_frame_path_t>(in, kSetResFramePath, file, a, text);
}

jsValue Js_Res_Save(jsExecState es) {
  Arguments in{es};
  const std::wstring file = in.Text();
  return Result<s13_pack_res_t>(in, kPackRes, file);
}

jsValue Js_S13_Font_Pack(jsExecState es) {
  Arguments in{es};
  const std::wstring first = in.Text();
  const std::wstring second = in.Text();
  const std::wstring third = in.Text();
  return Result<s13_font_pack_t>(in, kFontPack, first, second, third);
}

}  // namespace natives
