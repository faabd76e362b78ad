#pragma once

// The skeleton of the station's own GStreamer elements: a final GObject type whose instances
// carry one C++ state object, deleted with the instance.

#include <gst/gst.h>

// Declares and defines the final type TypeName (type_name, VESK_TYPE_NAME) derived from
// ParentName (PARENT_GTYPE), whose instances hold `State* state`. In vesk::gst, for the file
// that uses it: StateOf(object), Finalize (deletes the state, then chains up; class_init sets
// it) and RegisterElement(name). type_name_init still makes the state.
#define VESK_GST_ELEMENT(TypeName, type_name, TYPE_NAME, ParentName, PARENT_GTYPE, State) \
  G_BEGIN_DECLS                                                                           \
  G_DECLARE_FINAL_TYPE(TypeName, type_name, VESK, TYPE_NAME, ParentName)                  \
  struct _##TypeName {                                                                    \
    ParentName parent;                                                                    \
    State* state;                                                                         \
  };                                                                                      \
  G_END_DECLS                                                                             \
  G_DEFINE_TYPE(TypeName, type_name, PARENT_GTYPE)                                        \
  namespace vesk::gst {                                                                   \
  namespace {                                                                             \
  State* StateOf(gpointer object) { return VESK_##TYPE_NAME(object)->state; }             \
  void Finalize(GObject* object) {                                                        \
    delete StateOf(object);                                                               \
    G_OBJECT_CLASS(type_name##_parent_class)->finalize(object);                           \
  }                                                                                       \
  gboolean RegisterElement(const char* name) {                                            \
    return gst_element_register(nullptr, name, GST_RANK_NONE, type_name##_get_type());    \
  }                                                                                       \
  }                                                                                       \
  }
