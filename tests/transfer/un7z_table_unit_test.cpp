// The 7z progress table: the archive key, which call starts an extraction, who receives its
// progress, and that workers and progress calls may use the table at the same time.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "transfer/un7z_table.h"

namespace un7z_table {
namespace {

completion::Target Callback(jsValue value) { return completion::TargetFor(nullptr, value); }

void Finish(uint32_t key) {
  completion::Target last;
  ReceiverFor(key, true, last);
}

TEST(Un7zTable, TheKeyIsTheCrc32OfThePathsUtf16Bytes) {
  // zlib.crc32("C:\\a.7z".encode("utf-16-le")) and of "".
  EXPECT_EQ(ArchiveKey(L"C:\\a.7z"), 0x289e8649u);
  EXPECT_EQ(ArchiveKey(L""), 0u);
  EXPECT_NE(ArchiveKey(L"C:\\a.7z"), ArchiveKey(L"C:/a.7z"));
}

TEST(Un7zTable, OnlyTheFirstCallStartsAndTheNewestCallerReceives) {
  const uint32_t key = 0x7a000001;
  completion::Target receiver;
  EXPECT_FALSE(ReceiverFor(key, false, receiver));
  EXPECT_FALSE(IsRunning(key));
  EXPECT_TRUE(Claim(key, Callback(11)));
  EXPECT_TRUE(IsRunning(key));
  EXPECT_FALSE(Claim(key, Callback(12)));
  EXPECT_FALSE(Claim(key, Callback(13)));
  ASSERT_TRUE(ReceiverFor(key, false, receiver));
  EXPECT_EQ(receiver.callback, 13);
  EXPECT_TRUE(IsRunning(key));
  // Another archive is its own record.
  EXPECT_TRUE(Claim(key + 1, Callback(21)));
  ASSERT_TRUE(ReceiverFor(key, false, receiver));
  EXPECT_EQ(receiver.callback, 13);
  // The last report still reaches the newest caller, and the record is idle at once.
  ASSERT_TRUE(ReceiverFor(key, true, receiver));
  EXPECT_EQ(receiver.callback, 13);
  EXPECT_FALSE(IsRunning(key));
  EXPECT_TRUE(IsRunning(key + 1));
  Finish(key + 1);
  EXPECT_FALSE(ReceiverFor(key, false, receiver));
  // A call made while the last callback runs starts a new extraction, which reports to it.
  EXPECT_TRUE(Claim(key, Callback(14)));
  ASSERT_TRUE(ReceiverFor(key, false, receiver));
  EXPECT_EQ(receiver.callback, 14);
  Finish(key);
}

TEST(Un7zTable, AFinishedExtractionKeepsNoCallbackPending) {
  const uint32_t key = 0x7a000100;
  EXPECT_TRUE(Claim(key, Callback(31)));
  EXPECT_FALSE(Claim(key, Callback(32)));
  EXPECT_TRUE(completion::Pending(32));
  Finish(key);
  EXPECT_FALSE(completion::Pending(31));
  EXPECT_FALSE(completion::Pending(32));
}

TEST(Un7zTable, ManyThreadsClaimReadAndFinishAtOnce) {
  // Each thread works on keys of its own and on one shared key; with an unlocked table the
  // inserts race and records go missing or the map breaks. A race is not certain in one round
  // on a busy machine, so there are several.
  constexpr int kRounds = 6;
  constexpr int kThreads = 8;
  constexpr uint32_t kKeys = 20000;  // below 0x10000
  const auto keyOf = [](int round, int thread, uint32_t i) {
    return 0x70000000u + static_cast<uint32_t>(round) * 0x100000u + static_cast<uint32_t>(thread) * 0x10000u + i;
  };
  for (int round = 0; round < kRounds; ++round) {
    const uint32_t shared = 0x6f000000u + static_cast<uint32_t>(round);
    std::atomic<int> started{0};
    std::atomic<int> wrong{0};
    std::atomic<int> sharedStarts{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        // The callbacks are made first, so the threads meet only in the table.
        std::vector<completion::Target> callbacks;
        for (uint32_t i = 0; i < kKeys; ++i) callbacks.push_back(Callback(keyOf(round, t, i)));
        const completion::Target sharedCallback = Callback(1);
        ++started;
        while (started < kThreads) {}
        for (uint32_t i = 0; i < kKeys; ++i) {
          const uint32_t key = keyOf(round, t, i);
          if (!Claim(key, callbacks[i])) ++wrong;
          completion::Target receiver;
          if (!ReceiverFor(key, false, receiver) || receiver.callback != static_cast<jsValue>(key)) ++wrong;
          if (Claim(shared, sharedCallback)) ++sharedStarts;
          if (i % 2 == 0) Finish(key);
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    int stateWrong = 0;
    for (int t = 0; t < kThreads; ++t) {
      for (uint32_t i = 0; i < kKeys; ++i) {
        if (IsRunning(keyOf(round, t, i)) != (i % 2 == 1)) ++stateWrong;
        Finish(keyOf(round, t, i));
      }
    }
    Finish(shared);
    ASSERT_EQ(wrong, 0) << "round " << round;
    ASSERT_EQ(stateWrong, 0) << "round " << round;
    // Exactly one claim of the shared key found it idle.
    ASSERT_EQ(sharedStarts, 1) << "round " << round;
  }
}

}  // namespace
}  // namespace un7z_table
