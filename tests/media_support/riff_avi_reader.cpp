#include "media_support/riff_avi_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vesk::testing {
namespace {

class Reader {
 public:
  explicit Reader(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (file_ != nullptr) {
      std::fseek(file_, 0, SEEK_END);
      size_ = static_cast<std::uint64_t>(ftello(file_));
      std::fseek(file_, 0, SEEK_SET);
    }
  }
  ~Reader() {
    if (file_ != nullptr) std::fclose(file_);
  }
  bool ok() const { return file_ != nullptr; }
  std::uint64_t size() const { return size_; }
  bool Read(std::uint64_t offset, void* data, std::size_t count) {
    if (offset + count > size_) return false;
    if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    return std::fread(data, 1, count, file_) == count;
  }

 private:
  std::FILE* file_;
  std::uint64_t size_ = 0;
};

std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::string Fourcc(const std::uint8_t* p) {
  return std::string(reinterpret_cast<const char*>(p), 4);
}

struct Walker {
  Reader* reader;
  AviFile* file;
  bool in_video_strl = false;
  std::string last_strh_type;

  void WalkList(std::uint64_t begin, std::uint64_t end, const std::string& list_type) {
    std::uint64_t position = begin;
    while (position + 8 <= end) {
      std::uint8_t header[12];
      if (!reader->Read(position, header, 8)) {
        file->truncated = true;
        return;
      }
      const std::string id = Fourcc(header);
      const std::uint32_t size = U32(header + 4);
      const std::uint64_t data = position + 8;
      if (data + size > reader->size()) file->truncated = true;
      if (id == "LIST") {
        if (!reader->Read(data, header + 8, 4)) {
          file->truncated = true;
          return;
        }
        const std::string type = Fourcc(header + 8);
        const std::uint64_t list_end = std::min<std::uint64_t>(data + size, reader->size());
        WalkList(data + 4, list_end, type);
      } else if (list_type == "movi" || list_type == "rec ") {
        if (id.size() == 4 && id[2] == 'd' && (id[3] == 'b' || id[3] == 'c') &&
            id.compare(0, 2, "00") == 0) {
          if (data + size <= reader->size()) {
            file->video_chunks.push_back(AviChunk{data, size});
          }
        }
      } else {
        ReadChunk(id, data, size);
      }
      if (data + size > reader->size()) return;
      position = data + size + (size & 1);
    }
  }

  void ReadChunk(const std::string& id, std::uint64_t data, std::uint32_t size) {
    std::vector<std::uint8_t> bytes(std::min<std::uint32_t>(size, 256));
    if (!bytes.empty() && !reader->Read(data, bytes.data(), bytes.size())) return;
    if (id == "avih" && bytes.size() >= 40) {
      file->micro_seconds_per_frame = U32(&bytes[0]);
      file->total_frames = U32(&bytes[16]);
      file->streams = U32(&bytes[24]);
      file->width = static_cast<std::int32_t>(U32(&bytes[32]));
      file->height = static_cast<std::int32_t>(U32(&bytes[36]));
    } else if (id == "strh" && bytes.size() >= 36) {
      last_strh_type = Fourcc(&bytes[0]);
      in_video_strl = last_strh_type == "vids" && !file->has_video_stream;
      if (in_video_strl) {
        file->has_video_stream = true;
        file->video.handler = Fourcc(&bytes[4]);
        file->video.scale = U32(&bytes[20]);
        file->video.rate = U32(&bytes[24]);
        file->video.length = U32(&bytes[32]);
      }
    } else if (id == "strf" && in_video_strl && bytes.size() >= 40) {
      file->video.width = static_cast<std::int32_t>(U32(&bytes[4]));
      file->video.height = static_cast<std::int32_t>(U32(&bytes[8]));
      file->video.bit_count = U16(&bytes[14]);
      file->video.compression = Fourcc(&bytes[16]);
      file->video.size_image = U32(&bytes[20]);
    } else if (id == "indx") {
      file->has_indx = true;
    } else if (id == "dmlh" && bytes.size() >= 4) {
      file->has_odml = true;
      file->odml_total_frames = U32(&bytes[0]);
    } else if (id == "idx1") {
      file->has_idx1 = true;
    }
  }
};

}  // namespace

bool ReadAviFile(const std::string& path, AviFile* file, std::string* error) {
  *file = AviFile{};
  Reader reader(path);
  if (!reader.ok()) {
    *error = "cannot open " + path;
    return false;
  }
  file->file_size = reader.size();
  Walker walker{&reader, file, false, ""};
  std::uint64_t position = 0;
  while (position + 12 <= reader.size()) {
    std::uint8_t header[12];
    if (!reader.Read(position, header, 12)) break;
    if (Fourcc(header) != "RIFF") {
      if (position == 0) {
        *error = "not a RIFF file";
        return false;
      }
      break;  // padding or junk after the last RIFF list
    }
    const std::string form = Fourcc(header + 8);
    if ((position == 0 && form != "AVI ") || (position > 0 && form != "AVIX")) {
      *error = "unexpected RIFF form " + form;
      return false;
    }
    ++file->riff_lists;
    const std::uint32_t size = U32(header + 4);
    const std::uint64_t end = std::min<std::uint64_t>(position + 8 + size, reader.size());
    if (position + 8 + size > reader.size()) file->truncated = true;
    walker.WalkList(position + 12, end, "RIFF");
    position = position + 8 + size + (size & 1);
  }
  if (file->riff_lists == 0) {
    *error = "no RIFF list";
    return false;
  }
  return true;
}

bool ReadAviChunk(const std::string& path, const AviChunk& chunk, std::vector<std::uint8_t>* data) {
  Reader reader(path);
  data->resize(chunk.size);
  return reader.ok() && reader.Read(chunk.offset, data->data(), chunk.size);
}

std::string CompressionName(const AviVideoStream& stream) {
  if (stream.compression == std::string(4, '\0')) return "RGB";
  return stream.compression;
}

}  // namespace vesk::testing
