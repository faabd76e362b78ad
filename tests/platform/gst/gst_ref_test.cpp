#include "platform/gst/gst_ref.h"

#include <gtest/gtest.h>

#include <utility>

#include "platform/gst/gst_media_system.h"

namespace vesk::gst {
namespace {

// The holder owns exactly one reference whether it adopts a new (floating) element or a
// full reference, and drops exactly that one: no leak, no double unref.
TEST(GstRefTest, HoldsExactlyOneReference) {
  InitializeGstreamer();
  GstElement* element = gst_element_factory_make("identity", nullptr);
  ASSERT_NE(element, nullptr);
  g_object_add_weak_pointer(G_OBJECT(element), reinterpret_cast<gpointer*>(&element));
  {
    GstRef<GstElement> keeper = GstRef<GstElement>::Ref(element);
    EXPECT_TRUE(g_object_is_floating(element));  // still the factory's, for its owner to sink
    GstRef<GstElement> moved = std::move(keeper);
    GstRef<GstElement> held = Adopt(element);
    EXPECT_FALSE(g_object_is_floating(element));
    EXPECT_FALSE(keeper);
    EXPECT_EQ(GST_OBJECT_REFCOUNT_VALUE(element), 2);
  }
  EXPECT_EQ(element, nullptr);  // both references dropped: the element is gone
  GstRef<GstCaps> caps = Adopt(gst_caps_new_any());
  GstRef<GstCaps> shared = GstRef<GstCaps>::Ref(caps.get());
  EXPECT_EQ(GST_CAPS_REFCOUNT_VALUE(caps.get()), 2);
  shared = GstRef<GstCaps>();
  EXPECT_EQ(GST_CAPS_REFCOUNT_VALUE(caps.get()), 1);
}

}  // namespace
}  // namespace vesk::gst
