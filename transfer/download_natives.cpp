#include "download_natives.h"

#include "bridge/completion.h"
#include "bridge/script_values.h"
#include "download_task.h"

namespace natives {

jsValue Js_curl_http_download(jsExecState es) {
  download::Request request;
  request.url = script::Text(es, 0);
  request.path = script::Text(es, 1);
  request.target = completion::TargetOf(es, 2);
  const int interval = script::Int(es, 3);
  request.intervalMs = interval > 0 ? static_cast<unsigned>(interval) : 100u;
  download::Start(std::move(request));
  return script::Undefined();
}

}  // namespace natives
