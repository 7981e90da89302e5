#include "browser_external.h"

#include <map>

#include "name_key.h"

namespace browser {

namespace {

std::map<DISPID, ExternalFunction>& Table() {
  static std::map<DISPID, ExternalFunction> table;
  return table;
}

}  // namespace

void AddExternal(std::wstring_view name, ExternalFunction function) {
  Table()[static_cast<DISPID>(names::Key(name))] = function;
}

bool RunExternal(DISPID id, DISPPARAMS* parameters) noexcept {
  const auto found = Table().find(id);
  if (found == Table().end() || !found->second) return false;
  found->second(parameters);
  return true;
}

void DoNothing(DISPPARAMS*) noexcept {}

}  // namespace browser
