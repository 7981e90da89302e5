#include "key_strings.h"

#include <cstdint>
#include <map>
#include <string>

#include "bridge/name_key.h"
#include "bridge/script_values.h"

namespace natives {

namespace {

std::map<uint32_t, std::wstring>& Store() {
  static std::map<uint32_t, std::wstring> store;
  return store;
}

}  // namespace

jsValue Js_GetKeyString(jsExecState es) {
  const auto found = Store().find(names::Key(script::Text(es, 0)));
  return script::FromWide(es, found == Store().end() ? std::wstring() : found->second);
}

jsValue Js_SetKeyString(jsExecState es) {
  const uint32_t key = names::Key(script::Text(es, 0));
  Store()[key] = script::Text(es, 1);
  return script::Undefined();
}

}  // namespace natives
