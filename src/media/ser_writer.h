#pragma once

// Writes a SER recording as its frames arrive on the streaming thread: the header first, each
// frame appended (luma taken out of YUY2 and UYVY into one reused buffer, every other input
// written as it comes), FrameCount rewritten at least once a second so a station that is
// killed leaves a file that reads whole up to its last second, and at the end the trailer of
// every frame's UTC time. Nothing is allocated per frame.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "media/ser_file.h"

namespace vesk {

// Where the file goes; writes are not flushed to the disk one by one.
class SerOutput {
 public:
  virtual ~SerOutput() = default;
  // Writes all count bytes at offset; false on any failure (a full disk, a size limit).
  virtual bool WriteAt(std::uint64_t offset, const void* bytes, std::size_t count) = 0;
  virtual bool Truncate(std::uint64_t size) = 0;
  // Why the last failed call failed, in plain words; empty when none failed.
  virtual std::string LastFailure() const = 0;
};

// The pixel layout frames arrive in.
enum class SerInput { Grey8, Yuy2, Uyvy, Rgb24, Bgr24 };

// The SER colour a layout is written as: MONO from grey and from the luma of YUY2 and UYVY,
// RGB or BGR as the bytes come.
std::int32_t SerColourOf(SerInput input);

// How a recording's file was ended.
struct SerEnd {
  std::int64_t frames = 0;       // whole frames in the file, FrameCount
  bool write_failed = false;     // a write failed while recording
  bool trailer_written = false;  // the file ends with the time of every frame
  std::string failure;           // why a write failed
};

class SerWriter {
 public:
  // Writes the header (FrameCount 0) and makes the frame buffer; header gives the size and
  // the texts, input the layout. local_minus_utc_ns turns the first frame's UTC time into
  // the local DateTime. False when the header cannot be written or the size is unusable.
  bool Begin(SerOutput* output, const SerHeader& header, SerInput input,
             std::int64_t local_minus_utc_ns);
  // One frame of size bytes, rows top to bottom stride bytes apart, captured at utc_ns. A
  // frame smaller than the picture is skipped (false). False once a write has failed: the
  // frames before it stay whole.
  bool AddFrame(const unsigned char* pixels, std::size_t size, std::size_t stride,
                std::int64_t utc_ns);
  // Ends the file after its last whole frame with FrameCount set, and the trailer from
  // utc_ns (one time per frame in the file, in order; extra times, of frames the writer
  // never got, are left out) when there are enough of them and room for it. Without a
  // trailer DateTime is 0, which tells readers there is none.
  SerEnd Finish(const std::vector<std::int64_t>& utc_ns);

  std::int64_t frames() const { return frames_; }
  bool failed() const { return failed_; }
  std::uint64_t frame_bytes() const { return frame_bytes_; }

 private:
  bool WriteHeader();

  SerOutput* output_ = nullptr;
  SerHeader header_;
  SerInput input_ = SerInput::Grey8;
  std::uint64_t frame_bytes_ = 0;
  std::size_t row_bytes_ = 0;  // of a written row
  std::vector<unsigned char> packed_;
  std::int64_t local_minus_utc_ns_ = 0;
  std::int64_t frames_ = 0;
  std::int64_t counted_at_ns_ = 0;  // frame time when FrameCount was last written
  bool failed_ = false;
  std::string failure_;
};

}  // namespace vesk
