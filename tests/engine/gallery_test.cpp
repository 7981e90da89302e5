// The sample gallery page rendered by the engine: a PNG of it for people to look at, and the
// features it shows found where the layout puts them.
#include <gtest/gtest.h>

#include "render.h"
#include "test_host.h"

using namespace testhost;

namespace {

TEST(EngineGallery, RendersAndLeavesAScreenshot) {
  ASSERT_EQ(Engine().missing, 0);
  View v(480, 720);
  Engine().wkeSetTransparent(v.get(), true);
  v.Load(L"gallery/index.html");
  Frame f = Paint(v, 480, 720);
  std::wstring path = OutputFolder() + L"gallery.png";
  ASSERT_TRUE(f.SavePng(path));
  // The page's rounded panel leaves the view's corner transparent and is opaque-ish inside.
  EXPECT_EQ(f.At(0, 0).a, 0);
  EXPECT_EQ(f.At(8, 8).a, 0) << "outside the rounded corner of the panel";
  EXPECT_GT(f.At(240, 30).a, 200);
}

}  // namespace
