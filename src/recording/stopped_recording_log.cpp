#include "recording/stopped_recording_log.h"

#include <string>

#include "recording/gps_log_lines.h"
#include "recording/recording_log.h"

namespace vesk {
namespace {

// The rate group in use of a device, or nullptr.
const VideoFormatsByFrameRate* CurrentRateGroup(const VideoSourceInfo& info) {
  if (info.current_rate_index >= info.frame_rates.size()) return nullptr;
  return &info.frame_rates[info.current_rate_index];
}

}  // namespace

void WriteLogOfStoppedRecording(const StoppedRecording& stopped,
                                const RecordingDescription& recording, const CaptureGraph& graph,
                                const LastGpsPosition& gps, const Clock& clock,
                                std::string_view current_directory,
                                const LogExtraLines& extra) {
  const CaptureGraphContext& context = graph.context();
  const RecordingTarget& target = recording.target;
  RecordingLogInput input;
  input.stop_text =
      MakeStopReport(clock, target.video_file_name, target.video_file_name_is_relative,
                     current_directory, context.log);
  const VideoSourceInfo* info = context.sources.CurrentSource();
  input.kind = info != nullptr && info->is_active_event_recording ? RecordingKind::kEvent
                                                                  : RecordingKind::kManual;
  input.event_description = recording.event_description;
  input.start_text = recording.start_text;
  input.video_file_name = target.video_file_name;
  input.video_file_name_is_relative = target.video_file_name_is_relative;
  input.current_directory = current_directory;
  input.has_dropped_frames_interface = stopped.has_dropped_frames_interface;
  input.recorded_frames = stopped.recorded_frames;
  input.dropped_frames = stopped.dropped_frames;
  input.gps_valid = gps.valid;
  input.latitude = gps.latitude;
  input.longitude = gps.longitude;
  input.altitude = gps.altitude;
  input.satellites = gps.satellites;
  input.gps_lines = GpsLogLines(gps);
  if (info != nullptr) {
    input.device_name = info->name;
    input.analog_format = static_cast<int>(info->analog_format);
    if (const VideoFormatsByFrameRate* group = CurrentRateGroup(*info)) {
      input.frame_rate_text = group->rate_text;
    }
  }
  const SubtypeCode subtype = context.sources.CurrentSubtypeCode();
  if (const VideoFormat* format = context.sources.CurrentVideoFormat()) {
    input.frame_size_text = format->size_text;
  }
  input.subtype_name = std::string(SubtypeNameOf(subtype));
  // A recording its codec refused was made uncompressed; the log says what the file holds.
  input.codec_name = stopped.codec_bypassed || stopped.file_end.ser
                         ? std::string(kNoCodecName)
                         : CodecNameForSubtype(context.subtype_codec_pairs, subtype);
  if (stopped.file_end.ser) input.file_format_lines.push_back(std::string(kSerFileFormatLine));
  input.renderer = stopped.renderer;
  input.frame_time_lines = extra.frame_times;
  input.clock_lines = extra.clock;
  input.notes = extra.notes;
  input.inserter_lines = extra.inserter;
  WriteRecordingLog(input, context.log);
}

}  // namespace vesk
