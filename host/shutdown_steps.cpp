#include "shutdown_steps.h"

#include <array>
#include <cstddef>

namespace shutdown_steps {

namespace {

std::array<Release, static_cast<size_t>(Step::UpdaterLibraries) + 1> g_releases{};

}  // namespace

void Register(Step step, Release release) { g_releases[static_cast<size_t>(step)] = release; }

void RunAll() {
  for (Release& release : g_releases) {
    if (release) release();
    release = nullptr;
  }
}

}  // namespace shutdown_steps
