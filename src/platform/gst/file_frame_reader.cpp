#include "platform/gst/file_frame_reader.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <algorithm>
#include <cstring>

#include "platform/gst/gst_ref.h"

namespace vesk::gst {
namespace {

// A decoding pipeline ending in an appsink that takes caps; null, with why, when it
// cannot be made or the file cannot be opened.
GstElement* MakeDecoder(const std::string& path, const char* caps, GstElement** sink,
                        std::string* why) {
  gst_init(nullptr, nullptr);  // a reader may be the first user of GStreamer; later calls do nothing
  GError* error = nullptr;
  gchar* uri = gst_filename_to_uri(path.c_str(), &error);
  if (uri == nullptr) {
    *why = error != nullptr ? error->message : "not a file name";
    if (error != nullptr) g_error_free(error);
    return nullptr;
  }
  const std::string description = std::string("uridecodebin name=source ! videoconvert ! ") +
                                  "videoscale ! " + caps +
                                  " ! appsink name=sink sync=false max-buffers=4";
  GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
  if (pipeline == nullptr || error != nullptr) {
    *why = error != nullptr ? error->message : "the decoder cannot be made";
    if (error != nullptr) g_error_free(error);
    if (pipeline != nullptr) gst_object_unref(pipeline);
    g_free(uri);
    return nullptr;
  }
  GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline), "source");
  g_object_set(source, "uri", uri, nullptr);
  gst_object_unref(source);
  g_free(uri);
  *sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
  gst_object_unref(*sink);  // the pipeline holds it
  return pipeline;
}

// Waits for the pipeline to reach PAUSED; false, with the decoder's error, when it fails.
bool Preroll(GstElement* pipeline, std::string* why) {
  if (gst_element_set_state(pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ||
      gst_element_get_state(pipeline, nullptr, nullptr, 10 * GST_SECOND) !=
          GST_STATE_CHANGE_SUCCESS) {
    *why = "it cannot be decoded";
    GstBus* bus = gst_element_get_bus(pipeline);
    if (GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
      GError* error = nullptr;
      gst_message_parse_error(message, &error, nullptr);
      if (error != nullptr) {
        *why = error->message;
        g_error_free(error);
      }
      gst_message_unref(message);
    }
    gst_object_unref(bus);
    return false;
  }
  return true;
}

}  // namespace

bool ProbeVideoFile(const std::string& path, VideoFileShape* shape, std::string* why) {
  GstElement* sink = nullptr;
  GstElement* pipeline = MakeDecoder(path, "video/x-raw,format=I420", &sink, why);
  if (pipeline == nullptr) return false;
  bool found = false;
  if (Preroll(pipeline, why)) {
    GstSample* sample = gst_app_sink_pull_preroll(GST_APP_SINK(sink));
    GstVideoInfo info;
    if (sample != nullptr && gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
        info.width > 0 && info.height > 0) {
      shape->width = info.width;
      shape->height = info.height;
      // A file that gives no rate plays at 25 frames a second.
      shape->rate_numerator = info.fps_n > 0 ? info.fps_n : 25;
      shape->rate_denominator = info.fps_n > 0 ? info.fps_d : 1;
      found = true;
    } else {
      *why = "it holds no video";
    }
    if (sample != nullptr) gst_sample_unref(sample);
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return found;
}

std::unique_ptr<FileFrameReader> FileFrameReader::Open(const std::string& path, int width,
                                                       int height, std::string* why) {
  const std::string caps = "video/x-raw,format=I420,width=" + std::to_string(width) +
                           ",height=" + std::to_string(height);
  GstElement* sink = nullptr;
  GstElement* pipeline = MakeDecoder(path, caps.c_str(), &sink, why);
  if (pipeline == nullptr) return nullptr;
  if (!Preroll(pipeline, why) ||
      gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return nullptr;
  }
  return std::unique_ptr<FileFrameReader>(new FileFrameReader(pipeline, sink, width, height));
}

FileFrameReader::FileFrameReader(GstElement* pipeline, GstElement* sink, int width, int height)
    : pipeline_(pipeline), sink_(sink), width_(width), height_(height) {}

FileFrameReader::~FileFrameReader() {
  gst_element_set_state(pipeline_, GST_STATE_NULL);
  gst_object_unref(pipeline_);
}

GstSample* FileFrameReader::PullSample() {
  // A frame should come within a second; a file that has ended starts again.
  GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink_), GST_SECOND);
  if (sample != nullptr || !gst_app_sink_is_eos(GST_APP_SINK(sink_))) return sample;
  if (!gst_element_seek_simple(pipeline_, GST_FORMAT_TIME,
                               static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH |
                                                         GST_SEEK_FLAG_ACCURATE),
                               0)) {
    return nullptr;
  }
  return gst_app_sink_try_pull_sample(GST_APP_SINK(sink_), GST_SECOND);
}

bool FileFrameReader::Next(std::uint8_t* luma, int stride) {
  GstSample* sample = PullSample();
  if (sample == nullptr) return false;
  bool copied = false;
  GstVideoInfo info;
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  if (buffer != nullptr && gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
      info.width == width_ && info.height == height_) {
    GstVideoFrame frame;
    if (gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) {
      const auto* plane = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
      const int plane_stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
      for (int y = 0; y < height_; ++y) {
        std::memcpy(luma + static_cast<std::ptrdiff_t>(y) * stride,
                    plane + static_cast<std::ptrdiff_t>(y) * plane_stride,
                    static_cast<std::size_t>(width_));
      }
      gst_video_frame_unmap(&frame);
      copied = true;
    }
  }
  gst_sample_unref(sample);
  return copied;
}

}  // namespace vesk::gst
