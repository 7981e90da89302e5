// Starting and opening processes. Handles go to the page as numbers and are never closed here:
// the page owns them from then on.
#include <windows.h>

#include <string>
#include <vector>

#include "bridge/script_values.h"
#include "process_natives.h"

namespace natives {

jsValue Js_CreateProcess(jsExecState es) {
  const std::wstring application = script::Text(es, 0);
  const std::wstring commandLineText = script::Text(es, 1);
  const std::wstring folder = script::Text(es, 2);
  const BOOL inherit = script::Int(es, 3) != 0;
  const DWORD creationFlags = script::Handle(es, 4);

  // The platform may write into the command line, so it gets a copy of its own.
  std::vector<wchar_t> commandLine(commandLineText.begin(), commandLineText.end());
  commandLine.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // An empty text names no program and no folder; the platform refuses "" for either, so it
  // means what a missing argument means there: the program comes from the command line, and
  // the child starts in the host's current folder.
  const BOOL started =
      CreateProcessW(application.empty() ? nullptr : application.c_str(), commandLine.data(), nullptr, nullptr, inherit,
                     creationFlags, nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &process);
  if (!started) process = PROCESS_INFORMATION{};

  script::Record result(es);
  result.Set("return", script::Integer(started ? 1 : 0))
      .Set("dwProcessId", script::Number(static_cast<double>(process.dwProcessId)))
      .Set("dwThreadId", script::Number(static_cast<double>(process.dwThreadId)))
      .Set("hProcess", script::HandleResult(process.hProcess))
      .Set("hThread", script::HandleResult(process.hThread));
  return result.value();
}

jsValue Js_OpenProcess(jsExecState es) {
  const DWORD id = script::Handle(es, 0);
  const DWORD access = script::Handle(es, 1);
  const BOOL inherit = script::Handle(es, 2) != 0;
  return script::HandleResult(OpenProcess(access, inherit, id));
}

jsValue Js_Sleep(jsExecState es) {
  Sleep(script::Handle(es, 0));
  return script::Undefined();
}

}  // namespace natives
