// Test helper: the game's side of the IO channel, driven step by step from the command line.
// Each step prints one line (flushed) saying what it did or saw:
//   open                   take the right side              -> "open PID" / "open failed"
//   info TEXT              write the result information      -> "info"
//   raw-info N             fill the first N bytes of the result information with 'x', no zero
//   wait MS                wait for a command                -> "command C activation=L:T sign=L:T
//                          info=L:T program=P" (L the byte length, T the text) or "no command"
//   reply K S E TEXT       hand over a result                -> "replied" / "not taken"
//   fields                 the fields as "wait" shows them     -> "fields activation=... program=P"
//   until-sign TEXT MS     wait until the sign field holds TEXT -> "sign seen" / "sign not seen"
//   raw-reply N            a result of kind 1 whose text field is N 'y' bytes, with no zero when
//                          N fills it                          -> "replied" / "not taken"
//   left                   whether the program's left event exists -> "left present" / "left missing"
//   sleep MS
// A TEXT of the form @NxU stands for U repeated N times ("@86x漢").
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/utf8.h"
#include "game_side.h"

namespace {

std::string Expand(const std::string& text) {
  if (text.size() < 3 || text[0] != '@') return text;
  const size_t x = text.find('x');
  if (x == std::string::npos) return text;
  std::string out;
  const int count = std::atoi(text.c_str() + 1);
  for (int i = 0; i < count; ++i) out += text.substr(x + 1);
  return out;
}

std::string Field(const GameSide& side, int field) {
  static char text[GAME_CHANNEL_RESULT_INFO_SIZE + 1];
  const size_t length = game_side_read_text(&side, field, text, sizeof text);
  return std::to_string(length) + ":" + text;
}

std::string Fields(const GameSide& side) {
  return "activation=" + Field(side, GAME_CHANNEL_ACTIVATION_TEXT) + " sign=" + Field(side, GAME_CHANNEL_SIGN_TEXT) +
         " info=" + Field(side, GAME_CHANNEL_RESULT_INFO) + " program=" + std::to_string(game_side_program_pid(&side));
}

void Say(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  GameSide side{};
  for (int i = 1; i < argc; ++i) {
    const std::string step = text::WideToUtf8(argv[i]);
    auto next = [&]() { return i + 1 < argc ? text::WideToUtf8(argv[++i]) : std::string(); };
    if (step == "open") {
      Say(game_side_open(&side) ? "open " + std::to_string(GetCurrentProcessId()) : "open failed");
    } else if (step == "info") {
      game_side_set_result_info(&side, Expand(next()).c_str());
      Say("info");
    } else if (step == "raw-info") {
      const int count = std::atoi(next().c_str());
      std::memset(side.block + GAME_CHANNEL_RESULT_INFO, 'x', static_cast<size_t>(count));
      Say("raw-info");
    } else if (step == "wait") {
      const int command = game_side_wait_command(&side, static_cast<DWORD>(std::atoi(next().c_str())));
      if (!command) {
        Say("no command");
        continue;
      }
      Say("command " + std::to_string(command) + " " + Fields(side));
    } else if (step == "fields") {
      Say("fields " + Fields(side));
    } else if (step == "until-sign") {
      const std::string want = Expand(next());
      const DWORD patience = static_cast<DWORD>(std::atoi(next().c_str()));
      const DWORD start = GetTickCount();
      bool seen = false;
      while (!(seen = Field(side, GAME_CHANNEL_SIGN_TEXT) == std::to_string(want.size()) + ":" + want) &&
             GetTickCount() - start < patience)
        Sleep(20);
      Say(seen ? "sign seen" : "sign not seen");
    } else if (step == "reply") {
      const int kind = std::atoi(next().c_str());
      const int success = std::atoi(next().c_str());
      const int error = std::atoi(next().c_str());
      const std::string text = Expand(next());
      Say(game_side_reply(&side, kind, success, error, text.c_str(), 10000) ? "replied" : "not taken");
    } else if (step == "raw-reply") {
      const int count = std::atoi(next().c_str());
      const DWORD start = GetTickCount();
      while (WaitForSingleObject(side.right_event, 0) == WAIT_OBJECT_0 && GetTickCount() - start < 10000) Sleep(5);
      if (WaitForSingleObject(side.right_event, 0) == WAIT_OBJECT_0) {
        Say("not taken");
        continue;
      }
      const uint32_t kind = 1, error = 0;
      std::memcpy(side.block + GAME_CHANNEL_RESULT_KIND, &kind, 4);
      side.block[GAME_CHANNEL_SUCCESS] = 1;
      std::memcpy(side.block + GAME_CHANNEL_ERROR, &error, 4);
      std::memset(side.block + GAME_CHANNEL_RESULT_TEXT, 0, GAME_CHANNEL_RESULT_TEXT_SIZE);
      std::memset(side.block + GAME_CHANNEL_RESULT_TEXT, 'y', static_cast<size_t>(count));
      SetEvent(side.right_event);
      Say("replied");
    } else if (step == "left") {
      HANDLE left = OpenEventW(SYNCHRONIZE, FALSE, GAME_CHANNEL_LEFT_EVENT_NAME);
      Say(left ? "left present" : "left missing");
      if (left) CloseHandle(left);
    } else if (step == "sleep") {
      Sleep(static_cast<DWORD>(std::atoi(next().c_str())));
    } else {
      Say("unknown step " + step);
      return 2;
    }
  }
  if (side.block) game_side_close(&side);
  return 0;
}
