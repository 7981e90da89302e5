// Waiting for a process or any other waitable handle on a worker, and shell execution: plain,
// narrow, and with a completion callback once the started program has ended.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "base/owned_handles.h"
#include "base/utf8.h"
#include "base/win_handles.h"
#include "bridge/completion.h"
#include "bridge/script_values.h"
#include "process_natives.h"
#include "process_shell.h"

namespace processes {

void ExecuteAndWait(const std::wstring& operation, const std::wstring& file, const std::wstring& parameters,
                    const std::wstring& folder, int show) {
  // Shell execution may hand the work to shell extensions, which expect COM on the thread.
  const win::ComScope com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
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
  const win::HostKernelHandle process(execute.hProcess);
  if (process) WaitForSingleObject(process.get(), INFINITE);
}

}  // namespace processes

namespace natives {

namespace {

// What the shell functions take from a page, in argument order: operation, file, parameters,
// folder and show command.
template <typename Text>
struct ShellArguments {
  Text operation;
  Text file;
  Text parameters;
  Text folder;
  int show;
};

template <typename Text, Text (*Read)(jsExecState, int)>
ShellArguments<Text> ReadShellArguments(jsExecState es) {
  return {Read(es, 0), Read(es, 1), Read(es, 2), Read(es, 3), script::Int(es, 4)};
}

}  // namespace

jsValue Js_WaitForSingleObject(jsExecState es) {
  const HANDLE handle = script::HandleArg(es, 0);
  const DWORD timeout = script::Handle(es, 1);
  const completion::Target target = completion::TargetOf(es, 2);
  // The page may close its handle as soon as this returns, and the number may then name
  // another object, so the worker waits on a duplicate of its own. The host's own handles are
  // not the page's to wait on: the answer is the platform's failure value.
  const bool refused = owned_handles::Contains(handle);
  auto own = std::make_shared<win::HostKernelHandle>();
  if (!refused) {
    HANDLE duplicate = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS))
      own->reset(duplicate);
  }
  const bool started = completion::StartWorker([handle, timeout, target, refused, own] {
    DWORD result = WAIT_FAILED;
    if (!refused) result = WaitForSingleObject(*own ? own->get() : handle, timeout);
    own->reset();
    completion::Send(target, {static_cast<double>(result)});
  });
  return script::Boolean(started);
}

jsValue Js_ShellExecute(jsExecState es) {
  const auto shell = ReadShellArguments<std::wstring, script::Text>(es);
  const HINSTANCE result = ShellExecuteW(GetDesktopWindow(), shell.operation.c_str(), shell.file.c_str(),
                                         shell.parameters.c_str(), shell.folder.c_str(), shell.show);
  return script::Number(static_cast<double>(reinterpret_cast<intptr_t>(result)));
}

jsValue Js_ShellExecuteA(jsExecState es) {
  // The page's text arrives as UTF-8 bytes; the ANSI code page would garble anything beyond
  // ASCII, so the arguments go to the wide function instead.
  const auto shell = ReadShellArguments<std::string, script::Utf8>(es);
  const std::wstring operation = text::Utf8ToWide(shell.operation);
  const std::wstring file = text::Utf8ToWide(shell.file);
  const std::wstring parameters = text::Utf8ToWide(shell.parameters);
  const std::wstring folder = text::Utf8ToWide(shell.folder);
  ShellExecuteW(GetDesktopWindow(), operation.c_str(), file.c_str(), parameters.c_str(), folder.c_str(), shell.show);
  return script::Undefined();
}

jsValue Js_ShellExecuteEx(jsExecState es) {
  const auto shell = ReadShellArguments<std::wstring, script::Text>(es);
  const completion::Target target = completion::TargetOf(es, 5);
  completion::StartWorker([=] {
    processes::ExecuteAndWait(shell.operation, shell.file, shell.parameters, shell.folder, shell.show);
    completion::Send(target, {});
  });
  return script::Undefined();
}

}  // namespace natives
