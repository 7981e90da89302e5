#include "un7z_natives.h"

#include "bridge/completion.h"
#include "bridge/script_values.h"
#include "host/plugin_path.h"
#include "un7z_task.h"

namespace natives {

jsValue Js_un7z(jsExecState es) {
  extract7z::Request request;
  request.archive = script::Text(es, 0);
  request.destination = script::Text(es, 1);
  request.prefix = script::Text(es, 2);
  request.reserved = script::Text(es, 3);
  request.target = completion::TargetOf(es, 4);
  request.number = script::ArgCount(es) >= 6 ? script::Int(es, 5) : extract7z::kDefaultNumber;
  if (request.archive.empty()) request.archive = plugin_path::ProgramPath();
  extract7z::Start(std::move(request));
  return script::Undefined();
}

}  // namespace natives
