#pragma once

// ffprobe, an independent reader, decodes every frame of a recording.

#include <cstdio>
#include <memory>
#include <string>

namespace vesk::testing {

// "width,height,rate,frames" of the first video stream, with any error ffprobe met.
inline std::string Probe(const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(
      popen(("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
             "stream=width,height,r_frame_rate,nb_read_frames -of csv=p=0 '" +
             path + "' 2>&1")
                .c_str(),
            "r"),
      pclose);
  std::string out;
  for (char line[256]; pipe && std::fgets(line, sizeof line, pipe.get()) != nullptr;) out += line;
  return out;
}

}  // namespace vesk::testing
