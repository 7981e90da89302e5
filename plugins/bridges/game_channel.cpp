#include "game_channel.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "base/owned_handles.h"
#include "base/utf8.h"
#include "bridge/completion.h"
#include "bridge/script_values.h"
#include "host/shutdown_steps.h"
#include "plugins/sdk/game_channel.h"

namespace game_channel {

void AwaitSignal(win::HostKernelHandle& event, const wchar_t* name, DWORD pauseMs) {
  for (;;) {
    while (!event) {
      event.reset(OpenEventW(EVENT_ALL_ACCESS, FALSE, name));
      Sleep(pauseMs);
    }
    if (WaitForSingleObject(event.get(), INFINITE) == WAIT_OBJECT_0) return;
    // The handle went bad. Its number may already name another object, so it is dropped
    // unclosed, and the event is opened anew at the pace of the first opening.
    owned_handles::Remove(event.release());
  }
}

}  // namespace game_channel

namespace natives {

namespace {

// Set once by the first vexo_IO_Init and released at shutdown. UI thread only.
struct Channel {
  win::HostKernelHandle mapping;
  win::MappedView block;
  win::HostKernelHandle leftEvent;
};

Channel& TheChannel() {
  static Channel channel;
  return channel;
}

// The listener reads the block through a view of its own: the channel's view is unmapped at
// shutdown while the listener, which is never joined, may still be reading.
struct Listener {
  completion::Target target;
  win::MappedView block;
};

uint8_t* Block() { return static_cast<uint8_t*>(TheChannel().block.get()); }

uint32_t ReadU32(const uint8_t* block, int offset) {
  uint32_t value;
  std::memcpy(&value, block + offset, sizeof value);
  return value;
}

void WriteU32(uint8_t* block, int offset, uint32_t value) { std::memcpy(block + offset, &value, sizeof value); }

// A field's text up to its terminating zero, never beyond the field: the game writes the
// fields, and the last one ends where the block does.
std::wstring ReadField(const uint8_t* block, int offset, size_t size) {
  const char* text = reinterpret_cast<const char*>(block + offset);
  const void* zero = std::memchr(text, 0, size);
  const size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - text) : size;
  return text::Utf8ToWide(std::string_view(text, length));
}

// A text cut at a character boundary so that it fits with its terminating zero; the rest of
// the field is cleared.
void WriteField(uint8_t* block, int offset, size_t size, const std::string& text) {
  const size_t length = game_channel_fit_utf8(text.c_str(), size);
  std::memcpy(block + offset, text.data(), length);
  std::memset(block + offset + length, 0, size - length);
}

void CloseLeftEvent() { TheChannel().leftEvent.reset(); }

void CloseBlock() {
  TheChannel().block.reset();
  TheChannel().mapping.reset();
}

// A result the game handed over: deliver it when it is one for the page. The game waits for
// the right event to be reset before it writes the next one.
void TakeResult(const Listener& listener) {
  const uint8_t* block = static_cast<const uint8_t*>(listener.block.get());
  if (ReadU32(block, GAME_CHANNEL_RESULT_KIND) != GAME_CHANNEL_RESULT_FOR_PAGE) return;
  const bool ok = block[GAME_CHANNEL_SUCCESS] == 1 && ReadU32(block, GAME_CHANNEL_ERROR) == 0;
  const std::wstring text = ReadField(block, GAME_CHANNEL_RESULT_TEXT, GAME_CHANNEL_RESULT_TEXT_SIZE);
  completion::Send(listener.target, {int32_t{ok ? 1 : 0}, text});
}

DWORD WINAPI Listen(void* parameter) {
  const std::unique_ptr<Listener> listener(static_cast<Listener*>(parameter));
  win::HostKernelHandle right;
  for (;;) {
    game_channel::AwaitSignal(right, GAME_CHANNEL_RIGHT_EVENT_NAME, 1000);
    try {
      TakeResult(*listener);
    } catch (...) {}
    ResetEvent(right.get());
  }
}

bool StartListener(const completion::Target& target) {
  auto listener = std::make_unique<Listener>();
  listener->target = target;
  listener->block.reset(MapViewOfFile(TheChannel().mapping.get(), FILE_MAP_READ, 0, 0, GAME_CHANNEL_BLOCK_SIZE));
  if (!listener->block) return false;
  const HANDLE thread = CreateThread(nullptr, 0, Listen, listener.get(), 0, nullptr);
  if (!thread) return false;
  listener.release();
  CloseHandle(thread);
  return true;
}

// Writes a command and signals it; only a left side that listens sends commands.
void SendCommand(uint32_t command) {
  Channel& channel = TheChannel();
  if (!channel.block || !channel.leftEvent) return;
  WriteU32(Block(), GAME_CHANNEL_COMMAND, command);
  SetEvent(channel.leftEvent.get());
}

// The page's text into a field of the block; nothing before the block is open.
jsValue SetField(jsExecState es, int offset, size_t size) {
  if (Block()) WriteField(Block(), offset, size, script::Utf8(es, 0));
  return script::Undefined();
}

// A field of the block as a string; empty before the block is open.
jsValue GetField(jsExecState es, int offset, size_t size) {
  return script::FromWide(es, Block() ? ReadField(Block(), offset, size) : std::wstring());
}

}  // namespace

jsValue Js_vexo_IO_Init(jsExecState es) {
  Channel& channel = TheChannel();
  if (channel.mapping) return script::Undefined();
  const completion::Target target = completion::TargetOf(es, 0);
  const int mode = script::Int(es, 1);

  const HANDLE created = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, GAME_CHANNEL_BLOCK_SIZE,
                                            GAME_CHANNEL_BLOCK_NAME);
  const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
  if (!created) return script::Undefined();
  win::HostKernelHandle mapping(created);
  win::MappedView block(MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, GAME_CHANNEL_BLOCK_SIZE));
  if (!block) return script::Undefined();
  if (!existed) std::memset(block.get(), 0, GAME_CHANNEL_BLOCK_SIZE);
  channel.mapping = std::move(mapping);
  channel.block = std::move(block);
  shutdown_steps::Register(shutdown_steps::Step::GameChannelEvent, CloseLeftEvent);
  shutdown_steps::Register(shutdown_steps::Step::GameChannelBlock, CloseBlock);
  if (mode == 1) return script::Undefined();

  WriteU32(Block(), GAME_CHANNEL_LEFT_PID, GetCurrentProcessId());
  channel.leftEvent.reset(CreateEventW(nullptr, TRUE, FALSE, GAME_CHANNEL_LEFT_EVENT_NAME));
  StartListener(target);
  return script::Undefined();
}

jsValue Js_vexo_IO_Active(jsExecState es) {
  Channel& channel = TheChannel();
  if (!channel.block || !channel.leftEvent) return script::Undefined();
  WriteField(Block(), GAME_CHANNEL_ACTIVATION_TEXT, GAME_CHANNEL_ACTIVATION_TEXT_SIZE, script::Utf8(es, 0));
  SendCommand(GAME_CHANNEL_COMMAND_ACTIVATE);
  return script::Undefined();
}

jsValue Js_vexo_IO_DeActive(jsExecState) {
  SendCommand(GAME_CHANNEL_COMMAND_DEACTIVATE);
  return script::Undefined();
}

jsValue Js_vexo_IO_RunGame(jsExecState) {
  SendCommand(GAME_CHANNEL_COMMAND_RUN_GAME);
  return script::Undefined();
}

jsValue Js_vexo_IO_SetSign(jsExecState es) { return SetField(es, GAME_CHANNEL_SIGN_TEXT, GAME_CHANNEL_SIGN_TEXT_SIZE); }

jsValue Js_vexo_IO_GetSign(jsExecState es) { return GetField(es, GAME_CHANNEL_SIGN_TEXT, GAME_CHANNEL_SIGN_TEXT_SIZE); }

jsValue Js_vexo_IO_SetResultInfo(jsExecState es) {
  return SetField(es, GAME_CHANNEL_RESULT_INFO, GAME_CHANNEL_RESULT_INFO_SIZE);
}

jsValue Js_vexo_IO_GetResultInfo(jsExecState es) {
  return GetField(es, GAME_CHANNEL_RESULT_INFO, GAME_CHANNEL_RESULT_INFO_SIZE);
}

jsValue Js_vexo_IO_GetPIDRight(jsExecState) {
  return script::HandleResult(Block() ? ReadU32(Block(), GAME_CHANNEL_RIGHT_PID) : 0u);
}

}  // namespace natives
