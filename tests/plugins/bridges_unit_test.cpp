// The pieces of the game bridges that stand alone: cutting texts to IO-channel fields, the
// game's side of the channel in one process, the listener's wait on the game's event, and the
// event records of the game-client library.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <thread>

#include "game_side.h"
#include "plugins/bridges/game_channel.h"
#include "plugins/bridges/game_client_events.h"
#include "plugins/sdk/game_channel.h"
#include "plugins/sdk/game_client.h"

namespace {

std::string Repeat(const std::string& unit, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += unit;
  return text;
}

size_t Fit(const std::string& text, size_t size) { return game_channel_fit_utf8(text.c_str(), size); }

TEST(ChannelField, TextsThatFitStayWhole) {
  EXPECT_EQ(Fit("", 256), 0u);
  EXPECT_EQ(Fit(Repeat("a", 255), 256), 255u);
  EXPECT_EQ(Fit(Repeat("漢", 85), 256), 255u);
  EXPECT_EQ(Fit(Repeat("a", 4095), 4096), 4095u);
}

TEST(ChannelField, LongerTextsAreCutAtACharacterBoundaryLeavingRoomForTheZero) {
  EXPECT_EQ(Fit(Repeat("a", 256), 256), 255u);
  EXPECT_EQ(Fit(Repeat("漢", 86), 256), 255u);     // 3-byte characters: 85 whole
  EXPECT_EQ(Fit(Repeat("é", 200), 304), 302u);     // 2-byte: 151 whole, not 303 bytes
  EXPECT_EQ(Fit(Repeat("😀", 1024), 4096), 4092u);  // 4-byte: 1023 whole
  EXPECT_EQ(Fit(Repeat("a", 1) + Repeat("😀", 300), 1024), 1021u);
  EXPECT_EQ(Fit("é", 2), 0u);  // not even one character fits
  EXPECT_EQ(Fit("abc", 1), 0u);
  EXPECT_EQ(game_channel_fit_utf8(nullptr, 16), 0u);
}

// The program's side of the channel, played by the test in the same process.
struct ProgramSide {
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, GAME_CHANNEL_BLOCK_SIZE,
                                      GAME_CHANNEL_BLOCK_NAME);
  unsigned char* block =
      static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, GAME_CHANNEL_BLOCK_SIZE));
  HANDLE left = CreateEventW(nullptr, TRUE, FALSE, GAME_CHANNEL_LEFT_EVENT_NAME);
  ~ProgramSide() {
    CloseHandle(left);
    UnmapViewOfFile(block);
    CloseHandle(mapping);
  }
  void Command(uint32_t command) {
    std::memcpy(block + GAME_CHANNEL_COMMAND, &command, 4);
    SetEvent(left);
  }
  uint32_t U32(int offset) const {
    uint32_t value;
    std::memcpy(&value, block + offset, 4);
    return value;
  }
};

TEST(GameSide, TakesCommandsAndHandsOverResultsWithoutOverwritingAnUntakenOne) {
  ProgramSide program;
  ASSERT_NE(program.block, nullptr);
  GameSide side;
  ASSERT_EQ(game_side_open(&side), 1);
  EXPECT_EQ(program.U32(GAME_CHANNEL_RIGHT_PID), GetCurrentProcessId());

  EXPECT_EQ(game_side_wait_command(&side, 50), 0);
  program.Command(GAME_CHANNEL_COMMAND_RUN_GAME);
  EXPECT_EQ(game_side_wait_command(&side, 1000), GAME_CHANNEL_COMMAND_RUN_GAME);
  EXPECT_EQ(WaitForSingleObject(program.left, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // taken: reset

  const std::string long_text = Repeat("é", 200);
  ASSERT_EQ(game_side_reply(&side, 1, 1, 7, long_text.c_str(), 100), 1);
  EXPECT_EQ(program.U32(GAME_CHANNEL_RESULT_KIND), 1u);
  EXPECT_EQ(program.block[GAME_CHANNEL_SUCCESS], 1);
  EXPECT_EQ(program.U32(GAME_CHANNEL_ERROR), 7u);
  const char* text = reinterpret_cast<const char*>(program.block + GAME_CHANNEL_RESULT_TEXT);
  EXPECT_EQ(std::string(text), Repeat("é", 151));

  // The program has not taken the first result yet: the second waits and then gives up.
  EXPECT_EQ(game_side_reply(&side, 1, 0, 0, "second", 100), 0);
  EXPECT_EQ(std::string(text), Repeat("é", 151));
  HANDLE right = OpenEventW(EVENT_ALL_ACCESS, FALSE, GAME_CHANNEL_RIGHT_EVENT_NAME);
  ASSERT_NE(right, nullptr);
  ResetEvent(right);
  EXPECT_EQ(game_side_reply(&side, 1, 0, 0, "second", 100), 1);
  EXPECT_EQ(std::string(text), "second");
  CloseHandle(right);

  char info[8];
  game_side_set_result_info(&side, "information");
  EXPECT_EQ(game_side_read_text(&side, GAME_CHANNEL_RESULT_INFO, info, sizeof info), 7u);
  EXPECT_STREQ(info, "informa");
  game_side_close(&side);
}

DWORD ThreadMilliseconds(HANDLE thread) {
  FILETIME created, ended, kernel, user;
  GetThreadTimes(thread, &created, &ended, &kernel, &user);
  const auto ticks = [](FILETIME t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<DWORD>((ticks(kernel) + ticks(user)) / 10000);
}

struct Await {
  win::HostKernelHandle* event;
  const wchar_t* name;
};

DWORD WINAPI RunAwait(void* parameter) {
  auto* await = static_cast<Await*>(parameter);
  game_channel::AwaitSignal(*await->event, await->name, 100);
  return 0;
}

TEST(ChannelListener, AHandleGoneBadIsOpenedAgainWithoutSpinning) {
  const std::wstring name = L"webshell-test-right-" + std::to_wstring(GetCurrentProcessId());
  HANDLE created = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
  win::HostKernelHandle right(OpenEventW(EVENT_ALL_ACCESS, FALSE, name.c_str()));
  ASSERT_TRUE(right);
  Await await{&right, name.c_str()};
  HANDLE thread = CreateThread(nullptr, 0, RunAwait, &await, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(thread, nullptr);
  // Both handles go: the one the wait holds turns bad, and the event itself is gone until the
  // game creates it again.
  CloseHandle(right.get());
  CloseHandle(created);
  ResumeThread(thread);
  Sleep(1000);
  // Retrying the failed wait at once cost this thread 260 ms of its second under Wine (the
  // rest goes to the Wine server); pausing between openings costs nothing measurable.
  EXPECT_LT(ThreadMilliseconds(thread), 100u) << "the wait spins on a bad handle";
  EXPECT_EQ(WaitForSingleObject(thread, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  HANDLE again = CreateEventW(nullptr, TRUE, TRUE, name.c_str());
  EXPECT_EQ(WaitForSingleObject(thread, 3000), static_cast<DWORD>(WAIT_OBJECT_0)) << "the event was not opened again";
  if (WaitForSingleObject(thread, 0) != WAIT_OBJECT_0) TerminateThread(thread, 1);
  CloseHandle(thread);
  CloseHandle(again);
}

TEST(GameClientEvents, TheRecordHasTheFixedLayout) {
  EXPECT_EQ(offsetof(GCEventRecord, function), 0u);
  EXPECT_EQ(offsetof(GCEventRecord, window), 8u);
  EXPECT_EQ(offsetof(GCEventRecord, callback), 16u);
  const completion::Target target = completion::TargetFor(reinterpret_cast<HWND>(0x12345), 77);
  const auto hold = game_client_events::NewRecord(3, target);
  ASSERT_TRUE(hold);
  const GCEventRecord* record = game_client_events::RecordOf(hold);
  EXPECT_EQ(record->function, &game_client_events::Deliver);
  EXPECT_EQ(record->window, 0x12345u);
  EXPECT_EQ(record->callback, 77u);
  game_client_events::ReleaseClient(3);
}

TEST(GameClientEvents, RecordsOfAClientGoWhenItEndsAndNoSooner) {
  const size_t before = game_client_events::LiveCount();
  const completion::Target target = completion::TargetFor(nullptr, 1234);
  for (int i = 0; i < 3; ++i) game_client_events::NewRecord(0x90000001u, target);
  const auto kept = game_client_events::NewRecord(0x90000002u, target);
  EXPECT_EQ(game_client_events::LiveCount(), before + 4);
  EXPECT_TRUE(completion::Pending(1234));

  game_client_events::ReleaseClient(0x90000001u);
  EXPECT_EQ(game_client_events::LiveCount(), before + 1);
  // A record held by a worker that is still handing it over stays whole.
  game_client_events::ReleaseClient(0x90000002u);
  EXPECT_EQ(game_client_events::LiveCount(), before);
  EXPECT_EQ(game_client_events::RecordOf(kept)->callback, 1234u);
  // A call with a freed record (or none) is dropped.
  game_client_events::Deliver(game_client_events::RecordOf(kept), "late");
  game_client_events::Deliver(nullptr, "none");
}

TEST(GameClientEvents, EndedClientsReleaseTheHoldOnThePagesCallback) {
  const jsValue callback = 5678;
  {
    const completion::Target target = completion::TargetFor(nullptr, callback);
    game_client_events::NewRecord(41, target);
  }
  EXPECT_TRUE(completion::Pending(callback));
  game_client_events::ReleaseClient(41);
  EXPECT_FALSE(completion::Pending(callback));
}

}  // namespace
