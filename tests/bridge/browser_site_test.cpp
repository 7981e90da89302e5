// The system-browser window's container object against the system's real browser control.
#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <string>

#include "bridge/browser_external.h"
#include "bridge/browser_site.h"
#include "bridge/browser_window.h"
#include "bridge/name_key.h"
#include "bridge/window_tables.h"

namespace {

void Pump(DWORD milliseconds) {
  const DWORD until = GetTickCount() + milliseconds;
  MSG message{};
  do {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(5);
  } while (static_cast<LONG>(until - GetTickCount()) > 0);
}

class BrowserWindow : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpfnWndProc = browser::WindowProcedure;
    windowClass.lpszClassName = browser::kWindowClass;
    RegisterClassExW(&windowClass);
    browser::AddExternal(browser::kDoNothingName, browser::DoNothing);
  }
  static void TearDownTestSuite() { browser::CloseAll(); }

  // Nothing listens on the discard port: navigation is attempted and fails quietly.
  static constexpr wchar_t kAddress[] = L"http://127.0.0.1:9/news.html";
};

int g_externalCalls = 0;
UINT g_externalArgumentCount = 0;
void CountingExternal(DISPPARAMS* parameters) noexcept {
  ++g_externalCalls;
  g_externalArgumentCount = parameters ? parameters->cArgs : 0;
}

std::wstring LocationOf(HWND window) {
  ROR_AdiDO* site = browser::SiteOf(window);
  if (!site || !site->browser) return L"(no browser)";
  BSTR location = nullptr;
  site->browser->get_LocationURL(&location);
  std::wstring text = location ? location : L"";
  SysFreeString(location);
  return text;
}

TEST_F(BrowserWindow, OpensWithItsFlagNavigatesAndClosesWithoutLeavingEntries) {
  const long before = browser::LiveSiteCount();
  const HWND window = browser::Open(L"browser test news", WS_OVERLAPPEDWINDOW, 0, nullptr, kAddress);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(windows::FlagOnly(L"browser test news"), window);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(windows::OpenWindowCount(), 0u) << "browser windows are not engine windows";
  Pump(500);
  EXPECT_EQ(LocationOf(window), kAddress);

  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(windows::FlagOnly(L"browser test news"), nullptr);
  EXPECT_EQ(browser::SiteOf(window), nullptr);
  EXPECT_EQ(browser::OpenCount(), 0u);
  Pump(200);
  EXPECT_EQ(browser::LiveSiteCount(), before) << "the object outlived its window and the control";
}

TEST_F(BrowserWindow, SizingTheWindowPlacesTheControlOverItsClientArea) {
  const HWND window = browser::Open(L"browser test size", WS_OVERLAPPEDWINDOW, 0, nullptr, kAddress);
  ASSERT_NE(window, nullptr);
  SetWindowPos(window, nullptr, 10, 10, 420, 330, SWP_NOZORDER);
  Pump(100);
  RECT client{};
  GetClientRect(window, &client);
  const HWND control = GetWindow(window, GW_CHILD);
  ASSERT_NE(control, nullptr) << "in-place activation made no control window";
  RECT placed{};
  GetWindowRect(control, &placed);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 0);
  EXPECT_EQ(placed.top, 0);
  EXPECT_EQ(placed.right, client.right);
  EXPECT_EQ(placed.bottom, client.bottom);
  DestroyWindow(window);
}

TEST_F(BrowserWindow, ASecondWindowOfTheSameNameLeavesTheFlagAndItsClosingKeepsIt) {
  const HWND first = browser::Open(L"browser test twice", WS_OVERLAPPEDWINDOW, 0, nullptr, kAddress);
  const HWND second = browser::Open(L"browser test twice", WS_OVERLAPPEDWINDOW, 0, nullptr, kAddress);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(windows::FlagOnly(L"browser test twice"), first);
  DestroyWindow(second);
  EXPECT_EQ(windows::FlagOnly(L"browser test twice"), first) << "closing the second took the first one's flag";
  DestroyWindow(first);
  EXPECT_EQ(windows::FlagOnly(L"browser test twice"), nullptr);
}

TEST_F(BrowserWindow, AWindowThatCannotBeMadeLeavesNothingBehind) {
  Pump(100);
  const long before = browser::LiveSiteCount();
  // A parent that is no window makes window creation fail after the control exists.
  const HWND window = browser::Open(L"browser test orphan", WS_CHILD, 0, reinterpret_cast<HWND>(0x7FF0), kAddress);
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(windows::FlagOnly(L"browser test orphan"), nullptr);
  EXPECT_EQ(browser::OpenCount(), 0u);
  Pump(100);
  EXPECT_EQ(browser::LiveSiteCount(), before);
}

TEST_F(BrowserWindow, AReferenceKeptPastTheWindowStaysUsableUntilItsLastRelease) {
  const long before = browser::LiveSiteCount();
  const HWND window = browser::Open(L"browser test kept", WS_OVERLAPPEDWINDOW, 0, nullptr, kAddress);
  ASSERT_NE(window, nullptr);
  IDispatch* kept = nullptr;
  ASSERT_EQ(browser::SiteOf(window)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&kept)), S_OK);
  DestroyWindow(window);
  Pump(100);
  EXPECT_EQ(browser::LiveSiteCount(), before + 1);

  // A late event or a page's call after the window is gone.
  wchar_t name[] = L"ZaDadeZirodo";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  EXPECT_EQ(kept->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  DISPPARAMS none{};
  EXPECT_EQ(kept->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(kept->Invoke(259, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);
  auto* site = static_cast<IOleInPlaceSite*>(nullptr);
  EXPECT_EQ(kept->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&site)), S_OK);
  HWND reported = reinterpret_cast<HWND>(1);
  EXPECT_EQ(site->GetWindow(&reported), S_OK);
  EXPECT_EQ(reported, nullptr);
  site->Release();

  EXPECT_EQ(kept->Release(), 0u);
  EXPECT_EQ(browser::LiveSiteCount(), before);
}

TEST_F(BrowserWindow, AnswersExactlyItsInterfaces) {
  const HWND window = browser::Open(L"browser test interfaces", WS_OVERLAPPEDWINDOW, 0, nullptr, kAddress);
  ASSERT_NE(window, nullptr);
  ROR_AdiDO* object = browser::SiteOf(window);
  const IID answered[] = {IID_IUnknown,         IID_IDispatch,         IID_IOleClientSite,     IID_IOleInPlaceSite,
                          IID_IOleInPlaceFrame, IID_IDocHostUIHandler, DIID_DWebBrowserEvents2};
  for (const IID& id : answered) {
    IUnknown* answer = nullptr;
    EXPECT_EQ(object->QueryInterface(id, reinterpret_cast<void**>(&answer)), S_OK);
    ASSERT_NE(answer, nullptr);
    answer->Release();
  }
  IUnknown* dispatch = nullptr;
  object->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(&dispatch));
  EXPECT_EQ(dispatch, static_cast<IDispatch*>(object)) << "the event sink is the object's own IDispatch";
  dispatch->Release();
  const IID refused[] = {IID_IOleWindow, IID_IOleInPlaceUIWindow, IID_IOleCommandTarget, IID_IServiceProvider,
                         IID_IStorage,   IID_IWebBrowser2};
  for (const IID& id : refused) {
    IUnknown* answer = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(object->QueryInterface(id, reinterpret_cast<void**>(&answer)), E_NOINTERFACE);
    EXPECT_EQ(answer, nullptr);
  }

  IDocHostUIHandler* host = object;
  DOCHOSTUIINFO info{};
  info.cbSize = sizeof info;
  EXPECT_EQ(host->GetHostInfo(&info), S_OK);
  EXPECT_EQ(info.dwFlags, 0x4000Du);
  EXPECT_EQ(host->GetHostInfo(nullptr), S_FALSE);
  IDispatch* external = nullptr;
  EXPECT_EQ(host->GetExternal(&external), S_OK);
  EXPECT_EQ(external, static_cast<IDispatch*>(object));
  external->Release();
  DestroyWindow(window);
}

TEST_F(BrowserWindow, ExternalNamesMapToTheirKeysAndOnlyTableEntriesRun) {
  const HWND window = browser::Open(L"browser test external", WS_OVERLAPPEDWINDOW, 0, nullptr, kAddress);
  ASSERT_NE(window, nullptr);
  IDispatch* external = browser::SiteOf(window);
  browser::AddExternal(L"countForTest", CountingExternal);

  wchar_t first[] = L"countForTest";
  wchar_t second[] = L"ignored";
  LPOLESTR names[] = {first, second};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(external->GetIDsOfNames(IID_NULL, names, 2, 0, ids), S_OK);
  EXPECT_EQ(static_cast<uint32_t>(ids[0]), names::Key(L"countForTest"));
  EXPECT_EQ(ids[1], 0) << "only the first name is looked at";
  EXPECT_EQ(external->GetIDsOfNames(IID_NULL, nullptr, 1, 0, ids), E_NOTIMPL);
  LPOLESTR noName[] = {nullptr};
  EXPECT_EQ(external->GetIDsOfNames(IID_NULL, noName, 1, 0, ids), E_NOTIMPL);
  EXPECT_EQ(external->GetIDsOfNames(IID_NULL, names, 1, 0, nullptr), E_NOTIMPL);

  VARIANT arguments[2];
  VariantInit(&arguments[0]);
  VariantInit(&arguments[1]);
  DISPPARAMS parameters{arguments, nullptr, 2, 0};
  g_externalCalls = 0;
  EXPECT_EQ(external->Invoke(static_cast<DISPID>(names::Key(L"countForTest")), IID_NULL, 0, DISPATCH_METHOD,
                             &parameters, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(g_externalCalls, 1);
  EXPECT_EQ(g_externalArgumentCount, 2u);
  EXPECT_EQ(external->Invoke(static_cast<DISPID>(names::Key(L"ZaDadeZirodo")), IID_NULL, 0, DISPATCH_METHOD,
                             &parameters, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(external->Invoke(static_cast<DISPID>(names::Key(L"GetProcessPath")), IID_NULL, 0, DISPATCH_METHOD,
                             &parameters, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(g_externalCalls, 1) << "only the table's functions run";
  DestroyWindow(window);
}

size_t CommittedBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage;
}

DWORD HandleCount() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return count;
}

BOOL CALLBACK CountWindow(HWND, LPARAM counter) {
  ++*reinterpret_cast<int*>(counter);
  return TRUE;
}

int ThreadWindowCount() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

TEST_F(BrowserWindow, TwoHundredWindowsOpenedAndClosedLeaveNoGrowth) {
  auto openAndClose = [](int times) {
    for (int i = 0; i < times; ++i) {
      const HWND window = browser::Open(L"browser test churn", WS_OVERLAPPEDWINDOW, 0, nullptr, L"about:blank");
      ASSERT_NE(window, nullptr);
      Pump(5);
      PostMessageW(window, WM_CLOSE, 0, 0);
      Pump(5);
      ASSERT_FALSE(IsWindow(window));
    }
  };
  openAndClose(20);  // the control's own one-time set-up
  Pump(200);
  const size_t bytes = CommittedBytes();
  const DWORD handles = HandleCount();
  const int windowsBefore = ThreadWindowCount();
  const long sites = browser::LiveSiteCount();
  openAndClose(200);
  Pump(200);
  EXPECT_EQ(browser::LiveSiteCount(), sites);
  EXPECT_LE(HandleCount(), handles + 4) << "handles before " << handles;
  EXPECT_LE(ThreadWindowCount(), windowsBefore);
  EXPECT_LT(CommittedBytes(), bytes + 2 * 1024 * 1024) << "committed before " << bytes;
  std::printf("200 windows: committed %lld bytes more, handles %ld more, sites %ld\n",
              static_cast<long long>(CommittedBytes()) - static_cast<long long>(bytes),
              static_cast<long>(HandleCount()) - static_cast<long>(handles), browser::LiveSiteCount());
}

}  // namespace
