#pragma once

// ffprobe, an independent reader, decodes every frame of a recording.

#include <cstdio>
#include <memory>
#include <string>

namespace vesk::testing {

// What ffprobe prints for the file with the given options, with any error it met unless told
// otherwise (a file of made-up frames decodes with errors).
inline std::string Ffprobe(const std::string& options, const std::string& path,
                           bool with_errors = true) {
  const std::string command = "ffprobe -v error " + options + " -of csv=p=0 '" + path + "' " +
                              (with_errors ? "2>&1" : "2>/dev/null");
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  for (char line[256]; pipe && std::fgets(line, sizeof line, pipe.get()) != nullptr;) out += line;
  return out;
}

// "width,height,rate,frames" of the first video stream, decoding every frame.
inline std::string Probe(const std::string& path) {
  return Ffprobe("-select_streams v:0 -count_frames -show_entries "
                 "stream=width,height,r_frame_rate,nb_read_frames", path);
}

}  // namespace vesk::testing
