#include "app/command_line.h"

#include <charconv>

namespace vesk {
namespace {

constexpr int kMaximumSeconds = 86400;

bool ParseSeconds(const std::string& text, int* seconds) {
  int value = 0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  const auto [rest, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || rest != end || value < 1 || value > kMaximumSeconds) return false;
  *seconds = value;
  return true;
}

}  // namespace

CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLineResult result;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--headless") {
      result.options.headless = true;
    } else if (argument == "--simulated-camera") {
      result.options.simulated_camera = true;
    } else if (argument == "--camera-file") {
      if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
        result.error = "--camera-file needs a video file";
        return result;
      }
      result.options.camera_file = arguments[++i];
    } else if (argument == "--help" || argument == "-h") {
      result.options.help = true;
    } else if (argument == "--video-info" || argument == "--avi-info") {
      // The tools read SER files too; their first names stay for scripts that use them.
      result.options.avi_info_files.assign(arguments.begin() + static_cast<long>(i) + 1,
                                           arguments.end());
      if (result.options.avi_info_files.empty()) result.error = argument + " needs a file";
      return result;
    } else if (argument == "--repair-video" || argument == "--repair-avi") {
      if (i + 2 >= arguments.size()) {
        result.error = argument + " needs a file and the name of its copy";
        return result;
      }
      result.options.repair_avi = {arguments[i + 1], arguments[i + 2]};
      i += 2;
    } else if (argument == "--record-format") {
      const std::string value = i + 1 < arguments.size() ? arguments[i + 1] : std::string();
      if (value != "avi" && value != "ser") {
        result.error = "--record-format needs avi or ser";
        return result;
      }
      result.options.record_format =
          value == "ser" ? RecordingFileFormat::Ser : RecordingFileFormat::Avi;
      ++i;
    } else if (argument == "--record" || argument == "--quit-after" ||
               argument == "--learn-inserter") {
      int seconds = 0;
      if (i + 1 >= arguments.size() || !ParseSeconds(arguments[i + 1], &seconds)) {
        result.error = argument + " needs a number of seconds from 1 to 86400";
        return result;
      }
      ++i;
      if (argument == "--record") {
        result.options.record_seconds = seconds;
      } else if (argument == "--learn-inserter") {
        result.options.learn_inserter_seconds = seconds;
      } else {
        result.options.quit_after_seconds = seconds;
      }
    } else {
      result.error = "unknown argument \"" + argument + "\"";
      return result;
    }
  }
  return result;
}

std::string UsageText(const std::string& program) {
  return "Usage: " + program +
         " [--headless] [--simulated-camera] [--camera-file FILE] [--record SECONDS]\n"
         "       " + std::string(program.size(), ' ') +
         " [--quit-after SECONDS] [--learn-inserter SECONDS]\n"
         "       " + std::string(program.size(), ' ') + " [--record-format avi|ser]\n"
         "       " + program + " --video-info FILE...\n"
         "       " + program + " --repair-video FILE COPY\n"
         "\n"
         "VESK Video Capture: live video, AVI recording with a log beside every file, and\n"
         "scheduled Events. The current directory is the station's home: VESK_options.xml,\n"
         "Events/, VideoFiles/, LogFiles/ and VeskVideoIcons/ are found there.\n"
         "\n"
         "  --headless            run without windows; every User Messages entry is printed\n"
         "                        to standard output as it is made\n"
         "  --simulated-camera    add \"VESK Simulated Analog Camera\" and \"VESK Simulated\n"
         "                        Webcam\" to the capture devices\n"
         "  --camera-file FILE    add \"VESK File Camera\", which plays the video file FILE\n"
         "                        as a live device: at its frame rate, in real time, looped\n"
         "  --record SECONDS      after start-up record by hand for SECONDS, then exit\n"
         "  --quit-after SECONDS  exit after SECONDS\n"
         "  --learn-inserter SECONDS  (headless) find the time inserter's stamp in the live\n"
         "                        video, learn its characters from SECONDS of it, save them\n"
         "                        as the three character-set files in the current directory,\n"
         "                        report what was learnt and exit (1 when nothing was learnt)\n"
         "  --record-format avi|ser  record AVI or SER files (SER carries the UTC time of\n"
         "                        every frame) in this run, whatever the options say\n"
         "  --video-info FILE...  print each AVI or SER file's decompressor, frame size, frame\n"
         "                        rate, frames and key frames, and whether its index had to be\n"
         "                        rebuilt (a recording cut short); for SER also its depth,\n"
         "                        colour and frame times; exit 1 when any file cannot be read\n"
         "                        (--avi-info is the same)\n"
         "  --repair-video FILE COPY  write COPY, a new file, with the frames of a recording\n"
         "                        cut short and its header counts and index (AVI) or frame\n"
         "                        count and frame times (SER, from the frame-time record\n"
         "                        beside it) rebuilt; FILE is only read. Exit 0 when COPY is\n"
         "                        complete, 1 when FILE cannot be read or COPY cannot be\n"
         "                        written, 3 when COPY has the frames but no index or no\n"
         "                        frame times could be added (--repair-avi is the same)\n"
         "  --help                show this text\n"
         "\n"
         "SIGINT, SIGTERM, SIGHUP and SIGQUIT end the station as File > Exit does: a\n"
         "running recording is stopped and its log written first. Under nohup a hang-up\n"
         "is ignored.\n"
         "\n"
         "With --simulated-camera, SIGUSR1 unplugs the simulated analog camera and SIGUSR2\n"
         "plugs it back in, as a frame grabber's cable would: a recording on it stops and\n"
         "goes on in a continuation file (name_1.avi, name_2.avi, ...) when it returns.\n"
         "\n"
         "A USB GPS receiver is looked for on /dev/ttyACM*, /dev/ttyUSB*, then /dev/ttyS*\n"
         "(at most nine); VESK_GPS_PORTS=/dev/serial0:/dev/rfcomm0 names the ports to try\n"
         "instead. The user must be allowed to open them (usually the dialout group). With\n"
         "AutostartGPS, --record starts once the search for the receiver has ended.\n"
         "\n"
         "Exit status: 0 after a normal exit; 4 when another copy is already running or\n"
         "start-up failed (the low byte of E_ABORT, 0x80004004); 2 for bad arguments.\n"
         "With --record: 0 only when the recording was made and finished (video file and\n"
         "log written); 1 when nothing was recorded; 3 when the recording started but was\n"
         "cut short (its file could not be written, or its device left and did not come\n"
         "back) or its file or log is missing.\n";
}

int ExitStatusOf(int result) {
  const int low_byte = static_cast<int>(static_cast<unsigned>(result) & 0xFFu);
  // A failure must never read as success to the shell.
  if (result < 0 && low_byte == 0) return 1;
  return low_byte;
}

int RecordingExitStatus(bool started, bool cut_short, bool video_file_exists,
                        bool log_file_exists) {
  if (!started) return kExitStatusNothingRecorded;
  return !cut_short && video_file_exists && log_file_exists ? 0 : kExitStatusRecordingUnfinished;
}

}  // namespace vesk
