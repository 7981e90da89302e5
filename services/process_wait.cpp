// Waiting for a process or any other waitable handle on a worker, and shell execution: plain,
// narrow, and with a completion callback once the started program has ended.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

#include "completion.h"
#include "process_shell.h"
#include "process_natives.h"
#include "script_values.h"
#include "base/win_handles.h"

namespace processes {

void ExecuteAndWait(const std::wstring& operation, const std::wstring& file, const std::wstring& parameters,
                    const std::wstring& folder, int show) {
  // Shell execution may hand the work to shell extensions, which expect COM on the thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  // Without NO_UI a program that cannot be started raises the shell's error box on this
  // thread, and the page's callback would wait until somebody dismissed it.
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  execute.hwnd = GetDesktopWindow();
  execute.lpVerb = operation.c_str();
  execute.lpFile = file.c_str();
  execute.lpParameters = parameters.c_str();
  execute.lpDirectory = folder.c_str();
  execute.nShow = show;
  if (!ShellExecuteExW(&execute)) execute.hProcess = nullptr;
  // Nobody else ever sees this handle, so it is closed here once the program has ended.
  const win::KernelHandle process(execute.hProcess);
  if (process) WaitForSingleObject(process.get(), INFINITE);
  if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace processes

namespace natives {

jsValue Js_WaitForSingleObject(jsExecState es) {
  const HANDLE handle = script::HandleArg(es, 0);
  const DWORD timeout = script::Handle(es, 1);
  const completion::Target target = completion::TargetOf(es, 2);
  const bool started = completion::StartWorker([handle, timeout, target] {
    const DWORD result = WaitForSingleObject(handle, timeout);
    completion::Send(target, {static_cast<double>(result)});
  });
  return script::Boolean(started);
}

jsValue Js_ShellExecute(jsExecState es) {
  const std::wstring operation = script::Text(es, 0);
  const std::wstring file = script::Text(es, 1);
  const std::wstring parameters = script::Text(es, 2);
  const std::wstring folder = script::Text(es, 3);
  const int show = script::Int(es, 4);
  const HINSTANCE result =
      ShellExecuteW(GetDesktopWindow(), operation.c_str(), file.c_str(), parameters.c_str(), folder.c_str(), show);
  return script::Number(static_cast<double>(reinterpret_cast<intptr_t>(result)));
}

jsValue Js_ShellExecuteA(jsExecState es) {
  // The narrow shell function gets the UTF-8 bytes as they are; it reads them in the ANSI
  // code page, so only ASCII text arrives intact.
  const std::string operation = script::Utf8(es, 0);
  const std::string file = script::Utf8(es, 1);
  const std::string parameters = script::Utf8(es, 2);
  const std::string folder = script::Utf8(es, 3);
  const int show = script::Int(es, 4);
  ShellExecuteA(GetDesktopWindow(), operation.c_str(), file.c_str(), parameters.c_str(), folder.c_str(), show);
  return script::Undefined();
}

jsValue Js_ShellExecuteEx(jsExecState es) {
  const std::wstring operation = script::Text(es, 0);
  const std::wstring file = script::Text(es, 1);
  const std::wstring parameters = script::Text(es, 2);
  const std::wstring folder = script::Text(es, 3);
  const int show = script::Int(es, 4);
  const completion::Target target = completion::TargetOf(es, 5);
  completion::StartWorker([=] {
    processes::ExecuteAndWait(operation, file, parameters, folder, show);
    completion::Send(target, {});
  });
  return script::Undefined();
}

}  // namespace natives
