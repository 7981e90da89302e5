// The font dialog.
#include <windows.h>
#include <commdlg.h>

#include "bridge/script_values.h"
#include "bridge/window_tables.h"
#include "dialog_natives.h"

namespace natives {

jsValue Js_ChooseFont(jsExecState es) {
  LOGFONTW font{};
  CHOOSEFONTW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = windows::OwnWindow(es);
  dialog.lpLogFont = &font;
  dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
  if (!ChooseFontW(&dialog)) return script::Undefined();
  return script::FromWide(es, font.lfFaceName);
}

}  // namespace natives
