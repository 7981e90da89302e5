#pragma once
// The engine's message-only window on the UI thread: it carries timers, deferred work and
// network results. Other parts hand it the messages they handle.
#include <windows.h>

#include <functional>

namespace runtime {

bool Init();
// Drops queued work and handlers and destroys the window.
void Shutdown();
bool Initialized();
HWND Window();

// Handles msg of the window from now on (one handler a message).
void SetHandler(UINT msg, std::function<void(WPARAM, LPARAM)> handler);
// Runs after every batch of posted work, for freeing what is no longer in use.
void AddSweeper(std::function<void()> sweep);

// Runs work later from the engine window, outside any script.
void PostTask(std::function<void()> task);

// Runs after the window handled any message of its own (null: nothing).
void SetWorkDoneHandler(std::function<void()> handler);

}  // namespace runtime
