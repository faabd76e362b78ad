#include "platform/gst/gst_ref.h"

#include <gtest/gtest.h>

#include <utility>

#include "platform/gst/gst_media_system.h"

namespace vesk::gst {
namespace {

int RefCount(gpointer object) { return static_cast<int>(GST_OBJECT_REFCOUNT_VALUE(object)); }

// The holder owns exactly one reference whether it adopts a new (floating) element or a
// full reference, and drops exactly that one: no leak, no double unref.
TEST(GstRefTest, HoldsExactlyOneReference) {
  InitializeGstreamer();
  GstElement* element = gst_element_factory_make("identity", nullptr);
  ASSERT_NE(element, nullptr);
  GstRef<GstElement> keeper = GstRef<GstElement>::Ref(element);
  EXPECT_TRUE(g_object_is_floating(element));  // still the factory's, for its owner to sink
  {
    GstRef<GstElement> held = Adopt(element);
    EXPECT_FALSE(g_object_is_floating(element));
    GstRef<GstElement> moved = std::move(held);
    EXPECT_FALSE(held);
    EXPECT_EQ(RefCount(element), 2);
  }
  EXPECT_EQ(RefCount(element), 1);
  GstRef<GstElement> again = Adopt(keeper.release());
  EXPECT_EQ(RefCount(again.get()), 1);

  GstRef<GstCaps> caps = Adopt(gst_caps_new_any());
  GstRef<GstCaps> shared = GstRef<GstCaps>::Ref(caps.get());
  EXPECT_EQ(GST_CAPS_REFCOUNT_VALUE(caps.get()), 2);
  shared = GstRef<GstCaps>();
  EXPECT_EQ(GST_CAPS_REFCOUNT_VALUE(caps.get()), 1);
}

}  // namespace
}  // namespace vesk::gst
