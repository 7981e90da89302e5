/* A tiny game that takes the right side of the program's IO channel: it answers each command
 * of the program and says on its standard output what it saw. It ends when the program that
 * opened the channel ends, or when no program came within the seconds given (default 60).
 *
 *   activate(text)  -> "activate <text>",  result 1, success, "activated <text>"
 *   deactivate      -> "deactivate",       result 1, success, "deactivated"
 *   run game        -> "run game",         result 1, success, "game started <sign text>" */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "game_side.h"

static int program_ended(DWORD pid) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return 1;
  const int ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

int main(int argc, char** argv) {
  const DWORD patience_ms = (DWORD)(argc > 1 ? atoi(argv[1]) : 60) * 1000;
  GameSide side;
  if (!game_side_open(&side)) {
    puts("no channel");
    return 1;
  }
  printf("ready %lu\n", (unsigned long)GetCurrentProcessId());
  fflush(stdout);
  const DWORD start = GetTickCount();
  static char text[GAME_CHANNEL_RESULT_INFO_SIZE];
  static char reply[GAME_CHANNEL_RESULT_TEXT_SIZE + GAME_CHANNEL_SIGN_TEXT_SIZE];
  for (;;) {
    const int command = game_side_wait_command(&side, 200);
    const DWORD program = game_side_program_pid(&side);
    if (command == GAME_CHANNEL_COMMAND_ACTIVATE) {
      game_side_read_text(&side, GAME_CHANNEL_ACTIVATION_TEXT, text, sizeof text);
      printf("activate %s\n", text);
      snprintf(reply, sizeof reply, "activated %s", text);
    } else if (command == GAME_CHANNEL_COMMAND_DEACTIVATE) {
      puts("deactivate");
      snprintf(reply, sizeof reply, "deactivated");
    } else if (command == GAME_CHANNEL_COMMAND_RUN_GAME) {
      game_side_read_text(&side, GAME_CHANNEL_SIGN_TEXT, text, sizeof text);
      puts("run game");
      snprintf(reply, sizeof reply, "game started %s", text);
    } else {
      if (program ? program_ended(program) : GetTickCount() - start > patience_ms) break;
      continue;
    }
    fflush(stdout);
    if (!game_side_reply(&side, GAME_CHANNEL_RESULT_FOR_PAGE, 1, 0, reply, 5000)) puts("result not taken");
    fflush(stdout);
  }
  puts("program gone");
  game_side_close(&side);
  return 0;
}
