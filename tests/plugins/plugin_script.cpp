#include "plugin_script.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace plugin_script {

namespace {

CRITICAL_SECTION lock;
INIT_ONCE once = INIT_ONCE_STATIC_INIT;
std::map<std::string, std::deque<std::string>> answers;
std::wstring logPath;

std::wstring Folder() {
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&Folder), &self);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(self, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

struct Files {
  const wchar_t* script;
  const wchar_t* log;
};

BOOL CALLBACK Init(PINIT_ONCE, void* parameter, void**) {
  const Files* files = static_cast<const Files*>(parameter);
  InitializeCriticalSection(&lock);
  const std::wstring folder = Folder();
  logPath = folder + files->log;
  FILE* file = _wfopen((folder + files->script).c_str(), L"rb");
  if (file) {
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    std::fclose(file);
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t equals = line.find('=');
      if (equals != std::string::npos) answers[line.substr(0, equals)].push_back(line.substr(equals + 1));
    }
  }
  return TRUE;
}

}  // namespace

void Load(const wchar_t* script, const wchar_t* log) {
  Files files{script, log};
  InitOnceExecuteOnce(&once, Init, &files, nullptr);
}

std::string Next(const std::string& name, const std::string& fallback) {
  EnterCriticalSection(&lock);
  std::string value = fallback;
  auto found = answers.find(name);
  if (found != answers.end() && !found->second.empty()) {
    value = found->second.front();
    if (found->second.size() > 1) found->second.pop_front();
  }
  LeaveCriticalSection(&lock);
  return value;
}

bool Take(const std::string& name, std::string& value) {
  EnterCriticalSection(&lock);
  auto found = answers.find(name);
  const bool taken = found != answers.end() && !found->second.empty();
  if (taken) {
    value = found->second.front();
    found->second.pop_front();
  }
  LeaveCriticalSection(&lock);
  return taken;
}

void Log(const std::string& line) {
  EnterCriticalSection(&lock);
  if (FILE* file = _wfopen(logPath.c_str(), L"ab")) {
    std::fwrite(line.data(), 1, line.size(), file);
    std::fputc('\n', file);
    std::fclose(file);
  }
  LeaveCriticalSection(&lock);
}

std::string Utf8(const wchar_t* wide) {
  if (!wide) return "(null)";
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string text(length > 0 ? length - 1 : 0, '\0');
  if (length > 1) WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
  return text;
}

}  // namespace plugin_script
