// The JSON texts of the hardware information: unique lists, the resolution order, escaping
// and the length limits.
#include "services/hardware_json.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using hardware::Resolution;

TEST(Resolutions, UniqueAndLargestFirst) {
  std::vector<Resolution> list;
  for (const Resolution r : {Resolution{1920, 1080}, Resolution{1280, 720}, Resolution{1280, 1024}})
    hardware::AddResolution(list, r);
  EXPECT_EQ(list, (std::vector<Resolution>{{1920, 1080}, {1280, 1024}, {1280, 720}}));
  EXPECT_EQ(hardware::ResolutionJson(list, {1920, 1080}),
            L"{\"resolution\":[{\"width\":1920,\"height\":1080},{\"width\":1280,\"height\":1024},"
            L"{\"width\":1280,\"height\":720}],\"current\":[{\"width\":1920,\"height\":1080}]}");
}

TEST(Resolutions, ModesRepeatedAtOtherDepthsAndRatesAppearOnce) {
  std::vector<Resolution> list;
  for (const Resolution r : {Resolution{800, 600}, Resolution{1024, 768}, Resolution{800, 600}, Resolution{640, 480},
                             Resolution{1024, 768}, Resolution{640, 480}, Resolution{2560, 1440}})
    hardware::AddResolution(list, r);
  EXPECT_EQ(list, (std::vector<Resolution>{{2560, 1440}, {1024, 768}, {800, 600}, {640, 480}}));
}

TEST(Resolutions, ALongListStopsAtTheLastWholeEntry) {
  std::vector<Resolution> list;
  for (int width = 1000; width < 3000; ++width) hardware::AddResolution(list, {width, 1000});
  const std::wstring text = hardware::ResolutionJson(list, {1280, 1024});
  EXPECT_LE(text.size(), hardware::kResolutionTextLimit);
  EXPECT_GT(text.size(), hardware::kResolutionTextLimit - 30);
  EXPECT_NE(text.find(L"{\"width\":2999,\"height\":1000},"), std::wstring::npos);
  EXPECT_TRUE(text.ends_with(L"\"height\":1000}],\"current\":[{\"width\":1280,\"height\":1024}]}")) << text.size();
}

TEST(Devices, DuplicatesKeepTheFirstOccurrence) {
  std::vector<std::wstring> devices;
  for (const wchar_t* name : {L"Adapter A", L"Adapter B", L"Adapter A", L"adapter a"})
    hardware::AddDevice(devices, name);
  EXPECT_EQ(devices, (std::vector<std::wstring>{L"Adapter A", L"Adapter B", L"adapter a"}));
  EXPECT_EQ(hardware::DeviceListJson(L"display", devices),
            L"{\"display\":[{\"name\":\"Adapter A\"},{\"name\":\"Adapter B\"},{\"name\":\"adapter a\"}]}");
  EXPECT_EQ(hardware::DeviceListJson(L"media", {}), L"{\"media\":[]}");
}

TEST(Devices, QuotesBackslashesAndControlCharactersAreEscaped) {
  EXPECT_EQ(hardware::DeviceListJson(L"media", {L"Say \"hi\" C:\\x\t"}),
            L"{\"media\":[{\"name\":\"Say \\\"hi\\\" C:\\\\x\\u0009\"}]}");
}

TEST(Devices, ATextOverTheLimitStopsAtTheLastWholeEntry) {
  std::vector<std::wstring> devices;
  for (int i = 0; i < 40; ++i) devices.push_back(L"Device number " + std::to_wstring(i) + L" with a long name");
  const std::wstring text = hardware::DeviceListJson(L"display", devices);
  EXPECT_LE(text.size(), hardware::kDeviceTextLimit);
  EXPECT_EQ(text.substr(text.size() - 4), L"\"}]}");
  EXPECT_EQ(text.find(L"Device number 39"), std::wstring::npos);
  EXPECT_NE(text.find(L"{\"name\":\"Device number 0 with a long name\"}"), std::wstring::npos);
  // Even a single name longer than the limit leaves a valid, empty list.
  EXPECT_EQ(hardware::DeviceListJson(L"display", {std::wstring(2000, L'n')}), L"{\"display\":[]}");
}

TEST(Memory, RoundedToTheNearestWholeGibibyte) {
  const double gib = 1073741824.0;
  EXPECT_EQ(hardware::RoundedGibibytes(static_cast<unsigned long long>(7.6 * gib)), 8);
  EXPECT_EQ(hardware::RoundedGibibytes(static_cast<unsigned long long>(7.4 * gib)), 7);
  EXPECT_EQ(hardware::RoundedGibibytes(0), 0);
  EXPECT_EQ(hardware::RoundedGibibytes(16ull << 30), 16);
}

}  // namespace
