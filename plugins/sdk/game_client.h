/* plugins\gclient_wrap_c.dll, the game-client library: clients that log in, start games,
 * measure pings, find users and chat. Every export is __cdecl and exported by this name.
 *
 * Texts marked UTF-8 are zero-terminated UTF-8; output buffers are zero-filled by the program,
 * and the library writes zero-terminated text within the size it is given. A client handle is
 * the 32-bit value GC_wrap_Init returned. The program calls GC_wrap_Init, GC_wrap_UnInit and
 * GC_wrap_Get_ping_result on its user-interface thread and every other export on a thread of
 * its own per call, so calls for one client may run at the same time. */
#ifndef WEBSHELL_SDK_GAME_CLIENT_H
#define WEBSHELL_SDK_GAME_CLIENT_H

#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

struct GCEventRecord;

/* The program's event function: the library calls it from any of its threads with the record
 * it was given and a UTF-8 text; the call returns once the page's event callback has run, so it
 * must not be made while the library holds a lock that the export calls above need. */
typedef void(__cdecl* GCEventFunction)(struct GCEventRecord* record, const char* text);

/* Given to GC_wrap_SetEventCallback. The library calls record->function(record, text) and
 * leaves the other fields alone. Layout: 0 the event function (its pointer fills 0..7 in
 * 64-bit programs), 8 the page's window, 16 the page's callback. */
typedef struct GCEventRecord {
  GCEventFunction function;
#if !defined(_WIN64)
  uint32_t reserved;
#endif
  uint64_t window;
  uint64_t callback;
} GCEventRecord;

#if defined(__cplusplus)
static_assert(sizeof(GCEventRecord) == 24, "event record layout");
#else
_Static_assert(sizeof(GCEventRecord) == 24, "event record layout");
#endif

/* A new client; 0 when none could be made. */
typedef uint32_t(__cdecl* GC_wrap_Init_t)(void);
/* Ends a client. Once it returns, the library calls no event record given for this client
 * again: the program frees them then. */
typedef int32_t(__cdecl* GC_wrap_UnInit_t)(uint32_t client);
/* Where the client's events go. Each call brings a new record; the program keeps every record
 * of a client until GC_wrap_UnInit of that client has returned. */
typedef void(__cdecl* GC_wrap_SetEventCallback_t)(uint32_t client, GCEventRecord* record);
typedef void(__cdecl* GC_wrap_Login_t)(uint32_t client, const char* utf8);
typedef void(__cdecl* GC_wrap_Logout_t)(uint32_t client);
/* Low 16 bits a result code, high 16 bits an attached count. */
typedef uint32_t(__cdecl* GC_wrap_RunGame_t)(uint32_t client, const char* utf8);
typedef void(__cdecl* GC_wrap_reset_ping_t)(uint32_t client, const char* utf8);
typedef void(__cdecl* GC_wrap_insert_ping_t)(uint32_t client, const char* utf8);
/* Fills buffer (size bytes) with zero-terminated text. */
typedef void(__cdecl* GC_wrap_Get_ping_result_t)(int32_t first, int32_t second, char* buffer, int32_t size);
/* Takes a UTF-16 text; fills buffer (size bytes) with zero-terminated UTF-8. */
typedef void(__cdecl* GC_wrap_find_user_t)(uint32_t client, const wchar_t* text, char* buffer, int32_t size);
/* One chat item as zero-terminated UTF-8 in buffer and non-zero; 0 when there is nothing more
 * (the program then stops asking). Whether it waits for an item is the library's choice. */
typedef int32_t(__cdecl* GC_wrap_get_chat_data_t)(uint32_t client, char* buffer, int32_t size);
typedef void(__cdecl* GC_wrap_send_chat_message_t)(uint32_t client, const char* utf8);

#ifdef __cplusplus
}
#endif

#endif
