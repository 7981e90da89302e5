// Start-up benchmark: time from process creation to the first frame on screen, for webshell
// with a small entry page and for a minimal Win32 program that shows one layered window, run
// alternately in one session. Both signal the named event in WEBSHELL_FIRST_FRAME_EVENT after
// presenting their first frame.
// Usage: first_frame_bench <webshell app.exe> <baseline.exe> [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Returns the milliseconds to the first frame, or a negative number when none came in 20 s.
double TimeToFirstFrame(const std::wstring& program, int round) {
  const std::wstring eventName =
      L"webshell-bench-first-frame-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(round);
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
  SetEnvironmentVariableW(L"WEBSHELL_FIRST_FRAME_EVENT", eventName.c_str());
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  LARGE_INTEGER start, shown;
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    CloseHandle(event);
    return -1;
  }
  const bool signalled = WaitForSingleObject(event, 20000) == WAIT_OBJECT_0;
  QueryPerformanceCounter(&shown);
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 5000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(event);
  return signalled ? Milliseconds(start, shown) : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: first_frame_bench <webshell app.exe> <baseline.exe> [rounds]\n", stderr);
    return 2;
  }
  const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : 10;
  std::vector<double> app, baseline;
  for (int round = 0; round < rounds; ++round) {
    const double a = TimeToFirstFrame(argv[1], round * 2);
    const double b = TimeToFirstFrame(argv[2], round * 2 + 1);
    if (a < 0 || b < 0) {
      std::fputs("no first frame within 20 s\n", stderr);
      return 1;
    }
    app.push_back(a);
    baseline.push_back(b);
  }
  const double appMedian = Median(app);
  const double baselineMedian = Median(baseline);
  std::printf(
      "first frame, median of %d rounds: webshell %.1f ms (min %.1f), minimal layered window %.1f ms (min %.1f), ratio %.2f\n",
      rounds, appMedian, *std::min_element(app.begin(), app.end()), baselineMedian,
      *std::min_element(baseline.begin(), baseline.end()), baselineMedian > 0 ? appMedian / baselineMedian : 0.0);
  return 0;
}
