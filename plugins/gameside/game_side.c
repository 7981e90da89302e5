#include "game_side.h"

#include <string.h>

static size_t field_size(int field) {
  switch (field) {
    case GAME_CHANNEL_ACTIVATION_TEXT: return GAME_CHANNEL_ACTIVATION_TEXT_SIZE;
    case GAME_CHANNEL_SIGN_TEXT: return GAME_CHANNEL_SIGN_TEXT_SIZE;
    case GAME_CHANNEL_RESULT_TEXT: return GAME_CHANNEL_RESULT_TEXT_SIZE;
    case GAME_CHANNEL_RESULT_INFO: return GAME_CHANNEL_RESULT_INFO_SIZE;
    default: return 0;
  }
}

static void put_u32(unsigned char* at, DWORD value) { memcpy(at, &value, sizeof value); }

static DWORD get_u32(const unsigned char* at) {
  DWORD value;
  memcpy(&value, at, sizeof value);
  return value;
}

static void put_text(unsigned char* field, size_t size, const char* text) {
  const size_t length = game_channel_fit_utf8(text, size);
  if (length) memcpy(field, text, length);
  memset(field + length, 0, size - length);
}

int game_side_open(GameSide* side) {
  memset(side, 0, sizeof *side);
  side->mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, GAME_CHANNEL_BLOCK_SIZE,
                                     GAME_CHANNEL_BLOCK_NAME);
  if (!side->mapping) return 0;
  side->block = (unsigned char*)MapViewOfFile(side->mapping, FILE_MAP_ALL_ACCESS, 0, 0, GAME_CHANNEL_BLOCK_SIZE);
  side->right_event = side->block ? CreateEventW(NULL, TRUE, FALSE, GAME_CHANNEL_RIGHT_EVENT_NAME) : NULL;
  if (!side->right_event) {
    game_side_close(side);
    return 0;
  }
  put_u32(side->block + GAME_CHANNEL_RIGHT_PID, GetCurrentProcessId());
  return 1;
}

void game_side_close(GameSide* side) {
  if (side->left_event) CloseHandle(side->left_event);
  if (side->right_event) CloseHandle(side->right_event);
  if (side->block) UnmapViewOfFile(side->block);
  if (side->mapping) CloseHandle(side->mapping);
  memset(side, 0, sizeof *side);
}

int game_side_wait_command(GameSide* side, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  while (!side->left_event) {
    side->left_event = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, GAME_CHANNEL_LEFT_EVENT_NAME);
    if (side->left_event) break;
    if (GetTickCount() - start >= timeout_ms) return 0;
    Sleep(50);
  }
  const DWORD spent = GetTickCount() - start;
  if (WaitForSingleObject(side->left_event, spent >= timeout_ms ? 0 : timeout_ms - spent) != WAIT_OBJECT_0) return 0;
  ResetEvent(side->left_event);
  return (int)get_u32(side->block + GAME_CHANNEL_COMMAND);
}

int game_side_reply(GameSide* side, int result_kind, int success, int error, const char* text, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(side->right_event, 0) == WAIT_OBJECT_0) {
    if (GetTickCount() - start >= timeout_ms) return 0;
    Sleep(5);
  }
  put_u32(side->block + GAME_CHANNEL_RESULT_KIND, (DWORD)result_kind);
  side->block[GAME_CHANNEL_SUCCESS] = (unsigned char)success;
  put_u32(side->block + GAME_CHANNEL_ERROR, (DWORD)error);
  put_text(side->block + GAME_CHANNEL_RESULT_TEXT, GAME_CHANNEL_RESULT_TEXT_SIZE, text);
  MemoryBarrier();
  SetEvent(side->right_event);
  return 1;
}

size_t game_side_read_text(const GameSide* side, int field, char* out, size_t out_size) {
  const size_t size = field_size(field);
  if (!out_size) return 0;
  size_t length = 0;
  if (size && side->block) {
    const unsigned char* at = side->block + field;
    while (length < size && at[length]) ++length;
  }
  if (length >= out_size) length = out_size - 1;
  if (length) memcpy(out, side->block + field, length);
  out[length] = 0;
  return length;
}

void game_side_set_result_info(GameSide* side, const char* text) {
  put_text(side->block + GAME_CHANNEL_RESULT_INFO, GAME_CHANNEL_RESULT_INFO_SIZE, text);
}

DWORD game_side_program_pid(const GameSide* side) { return get_u32(side->block + GAME_CHANNEL_LEFT_PID); }
