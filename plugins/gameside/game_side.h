/* The game's side of the program's IO channel (the right side): link game_side.c into the game.
 * The block layout and the order of the hand-over are in plugins/sdk/game_channel.h.
 *
 *   GameSide side;
 *   if (game_side_open(&side)) {
 *     for (;;) {
 *       int command = game_side_wait_command(&side, 1000);
 *       if (command == GAME_CHANNEL_COMMAND_ACTIVATE) ... game_side_reply(&side, 1, 1, 0, "ok", 5000);
 *     }
 *     game_side_close(&side);
 *   }
 *
 * All functions are for one thread of the game; they never block longer than their time-out. */
#ifndef WEBSHELL_GAME_SIDE_H
#define WEBSHELL_GAME_SIDE_H

#include <windows.h>
#include <stddef.h>

#include "../sdk/game_channel.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct GameSide {
  HANDLE mapping;
  unsigned char* block;
  HANDLE left_event;  /* opened on the first wait: the program may start after the game */
  HANDLE right_event; /* created by game_side_open */
} GameSide;

/* Opens the block (creating it when the program has not yet), writes this process's id as the
 * right side's, and creates the right event. 1 on success; 0 with nothing left open. */
int game_side_open(GameSide* side);
void game_side_close(GameSide* side);

/* Waits up to timeout_ms for the program's next command and takes it (resets the left event).
 * The command (GAME_CHANNEL_COMMAND_*), 0 when none came in time. */
int game_side_wait_command(GameSide* side, DWORD timeout_ms);

/* Hands a result to the program: result kind, success byte, error value and result text (cut
 * at a character boundary to fit its field), then sets the right event. It first waits up to
 * timeout_ms until the program has taken the previous result, so none is overwritten unread.
 * 1 when handed over; 0 when the previous result was still untaken (nothing written). */
int game_side_reply(GameSide* side, int result_kind, int success, int error, const char* text, DWORD timeout_ms);

/* Copies a text field of the block (GAME_CHANNEL_ACTIVATION_TEXT, _SIGN_TEXT, _RESULT_INFO or
 * _RESULT_TEXT) into out, always zero-terminated. The text's length in bytes. */
size_t game_side_read_text(const GameSide* side, int field, char* out, size_t out_size);
/* Writes the result information field (cut at a character boundary to fit). */
void game_side_set_result_info(GameSide* side, const char* text);
/* The program's process id, 0 before the program opened the channel. */
DWORD game_side_program_pid(const GameSide* side);

#ifdef __cplusplus
}
#endif

#endif
