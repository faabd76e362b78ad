#pragma once

// Frames of a video file as 8-bit luma (the Y plane, in the range YUV formats carry it), one after the other and from the start again after
// the last: what the file camera shows as live video. A decoding pipeline of its own runs
// beside the station's graph; frames are scaled to the size asked for.

#include <gst/gst.h>

#include <cstdint>
#include <memory>
#include <string>

namespace vesk::gst {

// The picture size and frame rate of a file's first video stream.
struct VideoFileShape {
  int width = 0;
  int height = 0;
  int rate_numerator = 0;  // frames per second as a fraction
  int rate_denominator = 1;
};

// Reads the shape by decoding the first frame; false, with why, when the file has no video
// that can be decoded here.
bool ProbeVideoFile(const std::string& path, VideoFileShape* shape, std::string* why);

class FileFrameReader {
 public:
  // A reader of width x height frames; null, with why, when the file cannot be played.
  static std::unique_ptr<FileFrameReader> Open(const std::string& path, int width, int height,
                                               std::string* why);
  ~FileFrameReader();
  FileFrameReader(const FileFrameReader&) = delete;
  FileFrameReader& operator=(const FileFrameReader&) = delete;

  // The next frame's luma into a plane of the reader's size with the given row stride;
  // after the last frame the file starts again. False when the file gives no frame at all.
  bool Next(std::uint8_t* luma, int stride);

 private:
  FileFrameReader(GstElement* pipeline, GstElement* sink, int width, int height);
  GstSample* PullSample();

  GstElement* pipeline_;
  GstElement* sink_;  // owned by the pipeline
  int width_;
  int height_;
};

}  // namespace vesk::gst
