#include "unzip_natives.h"

#include "bridge/completion.h"
#include "bridge/script_values.h"
#include "host/plugin_path.h"
#include "unzip_task.h"

namespace natives {

jsValue Js_unzip(jsExecState es) {
  const int count = script::ArgCount(es);
  if (count != 3 && count != 4) return script::Undefined();
  const int first = count - 3;
  unzip::Request request;
  request.archive = count == 4 ? script::Text(es, 0) : plugin_path::ProgramPath();
  request.prefix = script::Text(es, first);
  request.destination = script::Text(es, first + 1);
  request.target = completion::TargetOf(es, first + 2);
  unzip::Start(std::move(request));
  return script::Undefined();
}

}  // namespace natives
