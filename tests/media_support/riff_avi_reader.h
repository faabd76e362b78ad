#pragma once

// A small RIFF/AVI reader for the media tests: the video stream's headers, the video chunks
// of every movi list (of the RIFF AVI and of the OpenDML RIFF AVIX continuations) and which
// indexes exist. It walks by seeking, so files past 4 GB are fine; a file cut short is read
// up to where it ends.

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace vesk::testing {

struct AviChunk {
  std::uint64_t offset = 0;  // of the chunk data
  std::uint32_t size = 0;
};

struct AviFile {
  std::uint64_t file_size = 0;
  std::uint32_t total_frames = 0;      // avih dwTotalFrames (first RIFF list only)
  std::uint32_t length = 0;            // video strh dwLength
  std::int32_t width = 0, height = 0;  // strf BITMAPINFOHEADER; height < 0: top row first
  std::uint16_t bit_count = 0;
  std::string compression;              // biCompression's four characters, "RGB" for 0
  std::uint32_t odml_total_frames = 0;  // dmlh
  bool has_odml = false, has_idx1 = false, has_indx = false;
  std::vector<std::string> riff_forms;  // "AVI ", then one "AVIX" per OpenDML continuation
  std::vector<AviChunk> video_chunks;   // 00db / 00dc, in file order
  bool truncated = false;               // a chunk runs past the end of the file
};

namespace avi_detail {

inline bool Read(std::ifstream& in, std::uint64_t at, void* data, std::size_t count) {
  in.clear();
  in.seekg(static_cast<std::streamoff>(at));
  return static_cast<bool>(in.read(static_cast<char*>(data), static_cast<std::streamsize>(count)));
}
inline std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::string Fourcc(const std::uint8_t* p) { return {reinterpret_cast<const char*>(p), 4}; }

struct Walker {
  std::ifstream& in;
  AviFile& file;
  bool in_video_strl = false;

  // The chunks from `at` to `end` of a list of the given type.
  void Walk(std::uint64_t at, std::uint64_t end, const std::string& list_type) {
    std::uint8_t head[12];
    while (at + 8 <= end && Read(in, at, head, 8)) {
      const std::string id = Fourcc(head);
      const std::uint32_t size = U32(head + 4);
      const std::uint64_t data = at + 8;
      if (list_type.empty() && id != "RIFF") return;  // padding or junk after the last RIFF
      file.truncated = file.truncated || data + size > file.file_size;
      if ((id == "LIST" || id == "RIFF") && Read(in, data, head + 8, 4)) {
        if (id == "RIFF") file.riff_forms.push_back(Fourcc(head + 8));
        Walk(data + 4, std::min(data + size, file.file_size), Fourcc(head + 8));
      } else if (data + size > file.file_size) {
        return;
      } else if (list_type == "movi" || list_type == "rec ") {
        if (id.starts_with("00d") && (id[3] == 'b' || id[3] == 'c')) {
          file.video_chunks.push_back(AviChunk{data, size});
        }
      } else {
        Header(id, data, size);
      }
      at = data + size + (size & 1);
    }
  }

  void Header(const std::string& id, std::uint64_t data, std::uint32_t size) {
    std::uint8_t b[40] = {};
    if (!Read(in, data, b, std::min<std::uint32_t>(size, sizeof b))) return;
    if (id == "avih" && size >= 40) file.total_frames = U32(b + 16);
    if (id == "strh" && size >= 36) {
      in_video_strl = Fourcc(b) == "vids" && file.compression.empty();  // the first one
      if (in_video_strl) file.length = U32(b + 32);
    }
    if (id == "strf" && in_video_strl && size >= 40) {
      file.width = static_cast<std::int32_t>(U32(b + 4));
      file.height = static_cast<std::int32_t>(U32(b + 8));
      file.bit_count = static_cast<std::uint16_t>(b[14] | b[15] << 8);
      file.compression = U32(b + 16) == 0 ? "RGB" : Fourcc(b + 16);
    }
    if (id == "dmlh" && size >= 4) file.has_odml = true, file.odml_total_frames = U32(b);
    file.has_indx = file.has_indx || id == "indx";
    file.has_idx1 = file.has_idx1 || id == "idx1";
  }
};

}  // namespace avi_detail

// False with a reason when the file is missing or not an AVI at all.
inline bool ReadAviFile(const std::string& path, AviFile* file, std::string* error) {
  *file = AviFile{};
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return *error = "cannot open " + path, false;
  file->file_size = static_cast<std::uint64_t>(in.tellg());
  avi_detail::Walker{in, *file}.Walk(0, file->file_size, "");
  const std::vector<std::string>& forms = file->riff_forms;
  if (forms.empty() || forms[0] != "AVI " ||
      std::count(forms.begin(), forms.end(), "AVIX") + 1 != std::ssize(forms)) {
    return *error = "not an AVI file with OpenDML continuations", false;
  }
  return true;
}

// The bytes of one video chunk; empty when they cannot be read.
inline std::vector<std::uint8_t> ReadAviChunk(const std::string& path, const AviChunk& chunk) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> data(chunk.size);
  if (!avi_detail::Read(in, chunk.offset, data.data(), chunk.size)) data.clear();
  return data;
}

}  // namespace vesk::testing
