#pragma once
// Process-wide resources that pages create (the game channel, the single-instance section,
// named shared memory, the updater) are released after the message loop, in a fixed order,
// before the engine shuts down. Each owner registers its release when it first creates the
// resource; start-up runs whatever was registered, in step order.
namespace shutdown_steps {

enum class Step {
  GameChannelEvent,
  GameChannelBlock,
  SingleInstanceSection,
  SharedMemorySections,
  DefaultUpdater,
  UpdaterLibraries,
};

using Release = void (*)();

// Registering a step again replaces its release function.
void Register(Step step, Release release);
void RunAll();

}  // namespace shutdown_steps
