// The set of handles the host keeps for itself: owners register and unregister them, and
// CloseUnlessOwned closes every handle but those.
#include <gtest/gtest.h>

#include <windows.h>

#include <utility>

#include "base/owned_handles.h"

namespace {

HANDLE NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

TEST(OwnedHandles, AnOwnerRegistersItsHandleUntilItClosesIt) {
  win::HostKernelHandle owner(NewEvent());
  ASSERT_TRUE(owner);
  const HANDLE number = owner.get();
  EXPECT_TRUE(owned_handles::Contains(number));

  SetLastError(0);
  EXPECT_FALSE(owned_handles::CloseUnlessOwned(number));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(SetEvent(number)) << "the refused handle must still be open";

  win::HostKernelHandle moved(std::move(owner));
  EXPECT_TRUE(owned_handles::Contains(number));
  moved.reset(NewEvent());
  EXPECT_FALSE(owned_handles::Contains(number));
  EXPECT_TRUE(owned_handles::Contains(moved.get()));
}

TEST(OwnedHandles, OtherHandlesClose) {
  const HANDLE page = NewEvent();
  ASSERT_NE(page, nullptr);
  EXPECT_FALSE(owned_handles::Contains(page));
  EXPECT_TRUE(owned_handles::CloseUnlessOwned(page));
  EXPECT_FALSE(owned_handles::CloseUnlessOwned(page));
  EXPECT_FALSE(owned_handles::Contains(nullptr));
  EXPECT_FALSE(owned_handles::Contains(INVALID_HANDLE_VALUE));
}

}  // namespace
