#include "media/ser_writer.h"

#include <cstring>

namespace vesk {
namespace {

// FrameCount is rewritten when this much frame time has passed since it was last written.
constexpr std::int64_t kCountEveryNs = 500000000;

std::size_t InputBytesPerPixel(SerInput input) {
  switch (input) {
    case SerInput::Grey8:
      return 1;
    case SerInput::Yuy2:
    case SerInput::Uyvy:
      return 2;
    case SerInput::Rgb24:
    case SerInput::Bgr24:
      return 3;
  }
  return 0;
}

}  // namespace

std::int32_t SerColourOf(SerInput input) {
  if (input == SerInput::Rgb24) return kSerRgb;
  if (input == SerInput::Bgr24) return kSerBgr;
  return kSerMono;
}

bool SerWriter::Begin(SerOutput* output, const SerHeader& header, SerInput input,
                      std::int64_t local_minus_utc_ns) {
  output_ = output;
  header_ = header;
  header_.colour_id = SerColourOf(input);
  header_.depth = 8;
  header_.frame_count = 0;
  header_.date_time = 0;
  header_.date_time_utc = 0;
  input_ = input;
  local_minus_utc_ns_ = local_minus_utc_ns;
  frames_ = 0;
  failed_ = false;
  failure_.clear();
  frame_bytes_ = SerFrameBytes(header_);
  if (output_ == nullptr || frame_bytes_ == 0 || frame_bytes_ > (std::uint64_t{1} << 31)) {
    return false;
  }
  row_bytes_ = static_cast<std::size_t>(frame_bytes_ / static_cast<std::uint64_t>(header_.height));
  // Luma is gathered into this buffer; other layouts need it only when rows are padded.
  packed_.assign(static_cast<std::size_t>(frame_bytes_), 0);
  return WriteHeader();
}

bool SerWriter::WriteHeader() {
  const auto bytes = BuildSerHeader(header_);
  if (output_->WriteAt(0, bytes.data(), bytes.size())) return true;
  failed_ = true;
  failure_ = output_->LastFailure();
  return false;
}

bool SerWriter::AddFrame(const unsigned char* pixels, std::size_t size, std::size_t stride,
                         std::int64_t utc_ns) {
  if (failed_ || output_ == nullptr) return false;
  const auto height = static_cast<std::size_t>(header_.height);
  const auto width = static_cast<std::size_t>(header_.width);
  const std::size_t in_row = width * InputBytesPerPixel(input_);
  if (stride < in_row || size < stride * (height - 1) + in_row) return false;
  const unsigned char* frame = pixels;
  if (input_ == SerInput::Yuy2 || input_ == SerInput::Uyvy) {
    const std::size_t first = input_ == SerInput::Yuy2 ? 0 : 1;
    unsigned char* out = packed_.data();
    for (std::size_t y = 0; y < height; ++y) {
      const unsigned char* in = pixels + y * stride + first;
      for (std::size_t x = 0; x < width; ++x) out[x] = in[2 * x];
      out += width;
    }
    frame = packed_.data();
  } else if (stride != row_bytes_) {
    for (std::size_t y = 0; y < height; ++y) {
      std::memcpy(packed_.data() + y * row_bytes_, pixels + y * stride, row_bytes_);
    }
    frame = packed_.data();
  }
  const std::uint64_t at = kSerHeaderBytes + static_cast<std::uint64_t>(frames_) * frame_bytes_;
  if (!output_->WriteAt(at, frame, static_cast<std::size_t>(frame_bytes_))) {
    failed_ = true;
    failure_ = output_->LastFailure();
    return false;
  }
  ++frames_;
  if (frames_ == 1) {
    header_.date_time_utc = SerTicksFromUnixNs(utc_ns);
    header_.date_time = SerTicksFromUnixNs(utc_ns + local_minus_utc_ns_);
  }
  if (frames_ == 1 || utc_ns - counted_at_ns_ >= kCountEveryNs || utc_ns < counted_at_ns_) {
    header_.frame_count = static_cast<std::int32_t>(frames_);
    counted_at_ns_ = utc_ns;
    // The whole header on the first frame (its dates), then only the count.
    if (frames_ == 1) return WriteHeader();
    unsigned char count[4];
    for (int i = 0; i < 4; ++i) count[i] = static_cast<unsigned char>(frames_ >> (8 * i));
    if (!output_->WriteAt(kSerFrameCountOffset, count, 4)) {
      failed_ = true;
      failure_ = output_->LastFailure();
      return false;
    }
  }
  return true;
}

SerEnd SerWriter::Finish(const std::vector<std::int64_t>& utc_ns) {
  SerEnd end;
  end.frames = frames_;
  end.write_failed = failed_;
  end.failure = failure_;
  if (output_ == nullptr || frame_bytes_ == 0) return end;
  const std::uint64_t frames_end =
      kSerHeaderBytes + static_cast<std::uint64_t>(frames_) * frame_bytes_;
  // A frame cut off part way by a failed write goes.
  if (failed_) output_->Truncate(frames_end);
  header_.frame_count = static_cast<std::int32_t>(frames_);
  if (frames_ > 0 && utc_ns.size() >= static_cast<std::size_t>(frames_)) {
    std::vector<std::int64_t> ticks(static_cast<std::size_t>(frames_));
    for (std::size_t i = 0; i < ticks.size(); ++i) ticks[i] = SerTicksFromUnixNs(utc_ns[i]);
    std::vector<unsigned char> trailer;
    AppendSerTrailer(ticks.data(), ticks.size(), &trailer);
    if (output_->WriteAt(frames_end, trailer.data(), trailer.size())) {
      end.trailer_written = true;
      header_.date_time_utc = ticks[0];
      header_.date_time = SerTicksFromUnixNs(utc_ns[0] + local_minus_utc_ns_);
    } else {
      output_->Truncate(frames_end);  // no room: the file ends after its last frame
    }
  }
  if (!end.trailer_written) header_.date_time = 0;
  const auto bytes = BuildSerHeader(header_);
  if (!output_->WriteAt(0, bytes.data(), bytes.size()) && !failed_) {
    end.write_failed = true;
    end.failure = output_->LastFailure();
  }
  return end;
}

}  // namespace vesk
