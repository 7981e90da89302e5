/* The IO channel between the program (the left side) and a running game (the right side): one
 * named shared-memory block and two named events. Integers are 32-bit little-endian; texts are
 * zero-terminated UTF-8 in fixed fields, at most the field size less one byte of text.
 *
 * Left side: creates the block (zeroed when new), writes its process id at 0, creates the left
 * event (manual reset), then writes a command word and sets the left event. It never resets
 * the left event. It waits on the right event; when the result kind is 1 it hands the success
 * byte, error value and result text to the page, and in every case resets the right event.
 *
 * Right side: opens (or creates) the block, writes its process id at 4, creates the right
 * event (manual reset), waits on the left event and resets it, reads the command, writes result
 * kind, success byte, error value and result text, then sets the right event. */
#ifndef WEBSHELL_SDK_GAME_CHANNEL_H
#define WEBSHELL_SDK_GAME_CHANNEL_H

#include <stddef.h>

#define GAME_CHANNEL_BLOCK_NAME L"DuzivazOD_MAP"
#define GAME_CHANNEL_LEFT_EVENT_NAME L"DuzivazOD_EVENT_LEFT"
#define GAME_CHANNEL_RIGHT_EVENT_NAME L"DuzivazOD_EVENT_RIGHT"

enum {
  GAME_CHANNEL_BLOCK_SIZE = 5716,

  GAME_CHANNEL_LEFT_PID = 0,         /* 4 bytes, left side */
  GAME_CHANNEL_RIGHT_PID = 4,        /* 4 bytes, right side */
  GAME_CHANNEL_COMMAND = 8,          /* 4 bytes, left side: GAME_CHANNEL_COMMAND_* */
  GAME_CHANNEL_RESULT_KIND = 12,     /* 4 bytes, right side: 1 = a result for the page */
  GAME_CHANNEL_ACTIVATION_TEXT = 16, /* 256 bytes, left side */
  GAME_CHANNEL_ACTIVATION_TEXT_SIZE = 256,
  GAME_CHANNEL_SIGN_TEXT = 272, /* 1024 bytes, left side */
  GAME_CHANNEL_SIGN_TEXT_SIZE = 1024,
  GAME_CHANNEL_SUCCESS = 1297,     /* 1 byte, right side: 1 = success */
  GAME_CHANNEL_ERROR = 1298,       /* 4 bytes, unaligned, right side: 0 = no error */
  GAME_CHANNEL_RESULT_TEXT = 1316, /* 304 bytes, right side: the text the page receives */
  GAME_CHANNEL_RESULT_TEXT_SIZE = 304,
  GAME_CHANNEL_RESULT_INFO = 1620, /* 4096 bytes, either side */
  GAME_CHANNEL_RESULT_INFO_SIZE = 4096,

  GAME_CHANNEL_COMMAND_ACTIVATE = 1,
  GAME_CHANNEL_COMMAND_DEACTIVATE = 2,
  GAME_CHANNEL_COMMAND_RUN_GAME = 3,

  GAME_CHANNEL_RESULT_FOR_PAGE = 1
};

/* How many bytes of a zero-terminated UTF-8 text go into a field of field_size bytes: all of it
 * when it fits with its terminating zero, else the longest part that does and ends on a whole
 * character. Both sides cut texts this way, so a field never holds half a character and always
 * holds its terminating zero. */
static inline size_t game_channel_fit_utf8(const char* text, size_t field_size) {
  size_t length = 0;
  if (!text || field_size == 0) return 0;
  while (length < field_size && text[length]) ++length;
  if (length < field_size) return length;
  length = field_size - 1;
  while (length > 0 && ((unsigned char)text[length] & 0xC0) == 0x80) --length;
  return length;
}

#endif
