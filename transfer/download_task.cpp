#include "download_task.h"

#include <windows.h>

#include <atomic>
#include <memory>

#include "base/owned_handles.h"
#include "base/win_handles.h"
#include "transfer/http/download_fetch.h"

namespace download {

namespace {

// Shared by the worker and the reporter; freed with the last of them.
struct Task {
  Request request;
  Figures figures;
  std::atomic<bool> complete{false};
  win::HostKernelHandle finished{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

void Report(const Task& task, int64_t downloaded, int64_t total) {
  completion::Send(task.request.target, {static_cast<double>(downloaded), static_cast<double>(total)});
}

void RunReporter(const std::shared_ptr<Task>& task) {
  for (;;) {
    const bool finished = WaitForSingleObject(task->finished.get(), 0) == WAIT_OBJECT_0;
    if (finished) {
      if (task->complete) Report(*task, task->figures.total, task->figures.total);
      return;
    }
    int64_t downloaded = 0;
    int64_t total = 0;
    if (CurrentFigures(task->figures, downloaded, total)) Report(*task, downloaded, total);
    WaitForSingleObject(task->finished.get(), task->request.intervalMs);
  }
}

}  // namespace

bool Start(Request request) noexcept {
  try {
    auto task = std::make_shared<Task>();
    task->request = std::move(request);
    if (!task->finished) return false;
    return completion::StartWorker([task] {
      // The reporter starts with the worker and ends once the worker has ended.
      completion::StartWorker([task] { RunReporter(task); });
      try {
        task->complete = Fetch(task->request.url, task->request.path, task->figures) == Ending::kComplete;
      } catch (...) {}
      SetEvent(task->finished.get());
    });
  } catch (...) {
    return false;
  }
}

}  // namespace download
