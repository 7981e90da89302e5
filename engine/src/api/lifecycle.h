#pragma once
// Start-up and shutdown of the engine's parts, in the order they depend on each other.

namespace lifecycle {

bool Init();
void Shutdown();
bool Initialized();

}  // namespace lifecycle
