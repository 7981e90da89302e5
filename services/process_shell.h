#pragma once
// Shell execution that waits for the started program, for ShellExecuteEx's worker.
#include <string>

namespace processes {

// Runs the shell's execution of file and returns once the started program has ended, at once
// when nothing was started. The process handle is closed before returning.
void ExecuteAndWait(const std::wstring& operation, const std::wstring& file, const std::wstring& parameters,
                    const std::wstring& folder, int show);

}  // namespace processes
