// The open and save dialogs.
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "bridge/scratch_buffer.h"
#include "bridge/script_values.h"
#include "bridge/window_tables.h"
#include "dialog_natives.h"

namespace natives {

namespace {

constexpr uint32_t kOpenBufferBytes = 1u << 20;
constexpr DWORD kOpenBufferCharacters = 262144;
constexpr DWORD kSaveFlags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;

// The properties of the open dialog's options object. A property the page left out is absent.
struct OpenOptions {
  std::wstring owner;
  bool hasFilter = false;
  std::wstring filter;
  bool hasInitialDir = false;
  std::wstring initialDir;
  DWORD filterIndex = 0;
  DWORD flags = 0;
};

jsValue Property(jsExecState es, jsValue object, const char* name) { return engine::api.jsGet(es, object, name); }

bool Present(jsValue value) { return !engine::api.jsIsUndefined(value); }

// A text property in full: a filter holds zero characters between its parts, so the text is
// taken by its length, not up to its first zero.
std::wstring FullText(jsExecState es, jsValue value) {
  const wchar_t* text = engine::api.jsToStringW(es, value);
  if (!text) return std::wstring();
  const int length = engine::api.jsGetLength(es, value);
  return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring(text);
}

OpenOptions ReadOpenOptions(jsExecState es, jsValue object) {
  OpenOptions options;
  options.owner = FullText(es, Property(es, object, "hwndOwner"));
  const jsValue filter = Property(es, object, "lpstrFilter");
  options.hasFilter = Present(filter);
  if (options.hasFilter) options.filter = FullText(es, filter);
  // The platform reads the filter up to an empty part: two zeros end it whatever the page wrote.
  options.filter.append(2, L'\0');
  const jsValue initialDir = Property(es, object, "lpstrInitialDir");
  options.hasInitialDir = Present(initialDir);
  if (options.hasInitialDir) options.initialDir = FullText(es, initialDir);
  options.filterIndex = static_cast<DWORD>(engine::api.jsToInt(es, Property(es, object, "nFilterIndex")));
  options.flags = script::HandleFromNumber(engine::api.jsToDouble(es, Property(es, object, "Flags")));
  return options;
}

}  // namespace

jsValue Js_GetOpenFileName(jsExecState es) {
  const OpenOptions options = ReadOpenOptions(es, script::Arg(es, 0));
  ScratchBuffer name(kOpenBufferBytes);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = windows::FlagElseOwn(es, options.owner);
  dialog.lpstrFilter = options.hasFilter ? options.filter.c_str() : nullptr;
  dialog.lpstrInitialDir = options.hasInitialDir ? options.initialDir.c_str() : nullptr;
  dialog.nFilterIndex = options.filterIndex;
  dialog.Flags = options.flags;
  dialog.lpstrFile = name.wide();
  dialog.nMaxFile = kOpenBufferCharacters;
  if (!GetOpenFileNameW(&dialog)) return script::FromWide(es, L"");
  return script::FromWide(es, name.wide());
}

jsValue Js_SaveFileName(jsExecState es) {
  static const wchar_t kFilter[] = L"Bmp\u6587\u4EF6(*.bmp)\0*.bmp\0\u6240\u6709\u6587\u4EF6(*.*)\0*.*\0";
  wchar_t name[MAX_PATH + 1] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = windows::OwnWindow(es);
  dialog.lpstrFilter = kFilter;
  dialog.lpstrInitialDir = L"";
  dialog.nFilterIndex = 0;
  dialog.Flags = kSaveFlags;
  dialog.lpstrFile = name;
  dialog.nMaxFile = MAX_PATH;
  if (!GetSaveFileNameW(&dialog)) return script::Undefined();
  return script::FromWide(es, name);
}

}  // namespace natives
