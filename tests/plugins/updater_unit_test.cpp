// Our updater plug-in's pieces without a network: manifests and versions, signatures against
// the system's ECDSA, the bandwidth limit on a simulated clock, gzip unpacking, and the table
// of updaters (stale numbers, a name two callers register at once).
#define WEBSHELL_UPDATER_PLUGIN
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <atomic>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "plugins/sdk/updater.h"
#include "plugins/updater/gz_apply.h"
#include "plugins/updater/manifest.h"
#include "plugins/updater/rate_limit.h"
#include "plugins/updater/signature.h"

namespace update {
namespace {

// Made with tools/update-sign: a key pair, a manifest signed with it, and a second key.
constexpr char kKey[] =
    "e63b9ef6dc2f172e79c3e7927963a90e9b7e9f8be5f90a62b9df66936ca047c2"
    "8bf43596690e7cc88f4ff49fe8b5021e1df480e24e5b2662af44813cf59d20ff\n";
constexpr char kOtherKey[] =
    "4fc9c7c08155aa152b1ec36f28dc1cbe206a1e0e6dd0addcca2fb681b4014bc9"
    "a4734c2d33a50af256717fdcf5c639f0b85871d36b35f7907a3e3fe33953b5e5";
constexpr char kManifest[] =
    "{\"version\":\"2.0.0.0\",\"url\":\"http://127.0.0.1/plain/a.exe.gz\",\"size\":10,"
    "\"sha256\":\"fc11d6f28e59d3cc33c0b14ceb644bf0902ebd63d61218dffe9e7dac7c254542\"}";
constexpr char kSignature[] =
    "47e312a611eb73e5cece9c8e60ba74f3b5d59b0210d9e264d4a08e2c286db50a"
    "31ef42f867bc2aaa51534eefe682cdecb26e4d66786d8d3914bf7ba31d78bcfb";

TEST(UpdateSignature, OnlyTheExactBytesUnderTheShippedKeyAreAccepted) {
  Bytes64 key{}, other{}, signature{};
  ASSERT_TRUE(ParseHex64(kKey, key));
  ASSERT_TRUE(ParseHex64(kOtherKey, other));
  ASSERT_TRUE(ParseHex64(kSignature, signature));
  const std::string manifest = kManifest;
  EXPECT_TRUE(VerifySignature(key, manifest, signature));
  EXPECT_FALSE(VerifySignature(other, manifest, signature));
  // One changed byte anywhere, one more byte, one byte less.
  for (const size_t at : {size_t{0}, size_t{13}, manifest.size() - 1}) {
    std::string changed = manifest;
    changed[at] ^= 1;
    EXPECT_FALSE(VerifySignature(key, changed, signature)) << at;
  }
  EXPECT_FALSE(VerifySignature(key, manifest + "\n", signature));
  EXPECT_FALSE(VerifySignature(key, manifest.substr(1), signature));
  for (const size_t bit : {size_t{0}, size_t{300}, size_t{511}}) {
    Bytes64 flipped = signature;
    flipped[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
    EXPECT_FALSE(VerifySignature(key, manifest, flipped)) << bit;
  }
}

TEST(UpdateSignature, KeysAndSignaturesAre128HexDigits) {
  Bytes64 bytes{};
  EXPECT_TRUE(ParseHex64("  " + std::string(128, 'A') + "\r\n", bytes));
  EXPECT_EQ(bytes[0], 0xAA);
  EXPECT_FALSE(ParseHex64(std::string(127, 'a'), bytes));
  EXPECT_FALSE(ParseHex64(std::string(130, 'a'), bytes));
  EXPECT_FALSE(ParseHex64(std::string(126, 'a') + "g0", bytes));
  EXPECT_FALSE(ParseHex64("", bytes));
}

TEST(UpdateManifest, VersionsCompareNumberByNumber) {
  Version a{}, b{};
  ASSERT_TRUE(ParseVersion("1.2.3.4", a));
  ASSERT_TRUE(ParseVersion("1.2.3.10", b));
  EXPECT_EQ(CompareVersions(a, b), -1);
  EXPECT_EQ(CompareVersions(b, a), 1);
  ASSERT_TRUE(ParseVersion("2.5", b));
  EXPECT_EQ(VersionText(b), "2.5.0.0");
  ASSERT_TRUE(ParseVersion("2.5.0.0", a));
  EXPECT_EQ(CompareVersions(a, b), 0);
  for (const char* bad : {"", "1.", ".1", "1..2", "1.2.3.4.5", "65536", "1.a", "-1", "1 .2", "000001"}) {
    EXPECT_FALSE(ParseVersion(bad, a)) << bad;
  }
  EXPECT_TRUE(ParseVersion("65535.0.0.1", a));
}

TEST(UpdateManifest, TheDownloadNameIsThePlainLastPartOfTheUrl) {
  EXPECT_EQ(FileNameOf("http://h/a/b/webshell.exe.gz"), "webshell.exe.gz");
  EXPECT_EQ(FileNameOf("https://h:8080/x.exe?token=1#part"), "x.exe");
  for (const char* bad : {"ftp://h/x.exe", "http://h", "http://h/", "http://h/a/..", "http://h/.hidden",
                          "http://h/a%2F..%2Fb", "http://h/a\\b.exe", "file:///C:/x.exe", "http://h/a:b"}) {
    EXPECT_EQ(FileNameOf(bad), "") << bad;
  }
}

TEST(UpdateManifest, OnlyTheFourMembersWithTheirTypesMakeAManifest) {
  Manifest manifest;
  ASSERT_TRUE(ParseManifest(kManifest, manifest));
  EXPECT_EQ(manifest.version, "2.0.0.0");
  EXPECT_EQ(manifest.size, 10u);
  EXPECT_EQ(manifest.fileName, "a.exe.gz");
  const std::string sha(64, 'A');
  ASSERT_TRUE(ParseManifest(
      "{\"version\":\"1\",\"url\":\"https://h/f\",\"size\":9007199254740992,\"sha256\":\"" + sha + "\"}", manifest));
  EXPECT_EQ(manifest.size, 9007199254740992ull);
  EXPECT_EQ(manifest.sha256, std::string(64, 'a'));
  const std::string good_sha = "\"sha256\":\"" + sha + "\"";
  for (const std::string& bad : std::vector<std::string>{
           std::string("[]"),
           std::string("{}"),
           "{\"version\":\"1\",\"url\":\"https://h/f\",\"size\":0," + good_sha + "}",
           "{\"version\":\"1\",\"url\":\"https://h/f\",\"size\":-1," + good_sha + "}",
           "{\"version\":\"1\",\"url\":\"https://h/f\",\"size\":1.5," + good_sha + "}",
           "{\"version\":\"1\",\"url\":\"https://h/f\",\"size\":\"1\"," + good_sha + "}",
           "{\"version\":\"x\",\"url\":\"https://h/f\",\"size\":1," + good_sha + "}",
           "{\"version\":\"1\",\"url\":\"https://h/\",\"size\":1," + good_sha + "}",
           std::string("{\"version\":\"1\",\"url\":\"https://h/f\",\"size\":1,\"sha256\":\"abc\"}"),
           "{\"version\":\"1\",\"url\":\"https://h/f\",\"size\":1," + good_sha + ",\"extra\":1}",
           "{\"version\":\"1\",\"version\":\"2\",\"url\":\"https://h/f\",\"size\":1," + good_sha + "}",
           "{\"version\":\"1\",\"url\":\"https://h/f\",\"size\":1," + good_sha + "} x",
       }) {
    EXPECT_FALSE(ParseManifest(bad, manifest)) << bad;
  }
}

// The transfer thread sleeps what Account says; a simulated clock stands in for the sleeping.
TEST(UpdateRateLimit, TheAverageRateHoldsTheLimit) {
  RateLimit limit;
  limit.Set(2 * 1024 * 1024);
  auto now = RateLimit::Clock::time_point{} + std::chrono::hours(1);
  const auto start = now;
  const int64_t total = 20 * 1024 * 1024;
  std::mt19937 random(3);
  int64_t sent = 0;
  while (sent < total) {
    const size_t piece = 1 + random() % (64 * 1024);
    sent += static_cast<int64_t>(piece);
    now += std::chrono::microseconds(random() % 200);  // the network is fast
    now += limit.Account(piece, now);
  }
  const double seconds = std::chrono::duration<double>(now - start).count();
  const double rate = static_cast<double>(sent) / seconds;
  EXPECT_NEAR(rate, 2.0 * 1024 * 1024, 2.0 * 1024 * 1024 * 0.02);
  EXPECT_NEAR(limit.Speed(), 2.0 * 1024 * 1024, 2.0 * 1024 * 1024 * 0.15);
}

TEST(UpdateRateLimit, AfterAPauseAtMostOneSecondsWorthComesAtOnce) {
  RateLimit limit;
  limit.Set(1000000);
  auto now = RateLimit::Clock::time_point{} + std::chrono::hours(1);
  now += limit.Account(500000, now);
  now += std::chrono::seconds(30);  // paused
  int64_t free = 0;
  while (limit.Account(10000, now) == RateLimit::Clock::duration::zero()) free += 10000;
  EXPECT_LE(free, 1000000 + 10000);
  EXPECT_GE(free, 900000);
  limit.Set(0);
  EXPECT_EQ(limit.Account(100000000, now), RateLimit::Clock::duration::zero());
}

std::wstring TempPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

std::string Gzip(const std::string& data) {
  z_stream stream{};
  deflateInit2(&stream, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, data.size()) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

void Write(const std::wstring& path, const std::string& bytes) {
  std::ofstream(path.c_str(), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Read(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(UpdateGz, AWholeFileIsUnpackedAndADamagedOneLeavesNothing) {
  std::string data(5 * 1024 * 1024 + 17, '\0');
  std::mt19937 random(5);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 7 == 0 ? random() : i / 4096);
  const std::string packed = Gzip(data);
  const std::wstring from = TempPath(L"updater-test.exe.gz");
  const std::wstring to = TempPath(L"updater-test.exe");
  std::atomic<double> progress{0};
  Write(from, packed);
  DeleteFileW(to.c_str());
  ASSERT_TRUE(InflateGzFile(from, to, progress));
  EXPECT_EQ(progress.load(), 1.0);
  EXPECT_TRUE(Read(to) == data);
  EXPECT_FALSE(Exists(to + L".partial"));

  // Cut short, a byte changed inside, bytes after the end: the old final file stays as it was.
  Write(to, "old");
  std::string changed = packed;
  changed[packed.size() / 2] ^= 0x55;
  for (const std::string& bad : {packed.substr(0, packed.size() - 9), changed, packed + "junk", std::string()}) {
    Write(from, bad);
    EXPECT_FALSE(InflateGzFile(from, to, progress)) << bad.size();
    EXPECT_EQ(Read(to), "old");
    EXPECT_FALSE(Exists(to + L".partial"));
  }
  DeleteFileW(from.c_str());
  DeleteFileW(to.c_str());
}

TEST(UpdaterExports, AnUpdaterThatIsGoneAnswersWithFailureValues) {
  void* updater = P2PUpdater_Init_2(L"gone", L"http://127.0.0.1:1/m.json", L"");
  ASSERT_NE(updater, nullptr);
  P2PD_SetP2PUpdaterPointer(L"gone", updater);
  EXPECT_EQ(P2PD_GetP2PUpdaterPointer(L"gone"), updater);
  EXPECT_NE(P2PUpdater_GetLocalVersion(updater), nullptr);
  EXPECT_EQ(P2PUpdater_SetLimit(updater, 100, 0), 1);
  EXPECT_EQ(P2PD_Remove(L"gone", 1), 1);
  EXPECT_EQ(P2PD_Remove(L"gone", 1), 0);
  EXPECT_EQ(P2PD_GetP2PUpdaterPointer(L"gone"), nullptr);
  // The number the page still holds names nothing, and never a later updater.
  double speed = 5;
  float progress = 5;
  EXPECT_EQ(P2PUpdater_GetInfo(updater, &speed, &progress), 0);
  EXPECT_EQ(P2PUpdater_GetLocalVersion(updater), nullptr);
  EXPECT_EQ(P2PUpdater_SetLimit(updater, 100, 0), 0);
  EXPECT_EQ(P2PUpdater_IsNeedUpdate(updater, "http://127.0.0.1:1/m.json"), 0);
  P2PUpdater_StartDownload(updater);
  P2PUpdater_ApplyGZ(updater);
  void* later = P2PUpdater_Init();
  EXPECT_NE(later, updater);
  P2PUpdater_UnInit(later);
  EXPECT_EQ(P2PUpdater_GetDownloadSize(later), 0u);
}

TEST(UpdaterExports, ANameRegisteredByTwoRacingCallersKeepsOneUpdater) {
  for (int round = 0; round < 50; ++round) {
    const std::wstring name = L"race" + std::to_wstring(round);
    std::atomic<int> ready{0};
    void* made[2] = {};
    auto caller = [&](int index) {
      ++ready;
      while (ready < 2) {}
      // What the host does for P2PUpdater_Init(name, url, folder).
      if (!P2PD_GetP2PUpdaterPointer(name.c_str())) {
        made[index] = P2PUpdater_Init_2(name.c_str(), L"", L"");
        P2PD_SetP2PUpdaterPointer(name.c_str(), made[index]);
      }
    };
    std::thread first(caller, 0);
    std::thread second(caller, 1);
    first.join();
    second.join();
    void* registered = P2PD_GetP2PUpdaterPointer(name.c_str());
    ASSERT_NE(registered, nullptr);
    EXPECT_TRUE(registered == made[0] || registered == made[1]);
    // A second updater made for the name is dropped, not left to download beside the first.
    for (void* updater : made) {
      if (updater && updater != registered) {
        EXPECT_EQ(P2PUpdater_SetLimit(updater, 1, 0), 0);
      }
    }
    EXPECT_EQ(P2PUpdater_SetLimit(registered, 1, 0), 1);
    EXPECT_EQ(P2PD_Remove(name.c_str(), 0), 1);
  }
}

TEST(UpdaterExports, PeerToPeerExportsDoNothing) {
  void* updater = P2PUpdater_Init();
  P2PD_Start(L"x");
  P2PD_torrent_set_seed_mode(L"x", 1);
  P2PD_torrent_add_url_seed(L"x", "http://seed");
  P2PD_torrent_connect_peer(L"x", "10.0.0.1", 1);
  EXPECT_EQ(P2PD_GetP2PUpdaterPointer(L"x"), nullptr);
  EXPECT_EQ(P2PUpdater_Get_torrent_total_wanted(updater), 0u);
  EXPECT_EQ(P2PUpdater_Get_torrent_total_wanted_done(updater), 0u);
  P2PUpdater_UnInit(updater);
}

}  // namespace
}  // namespace update
