#include "capture/video_codecs.h"

#include "base/code_page.h"
#include "capture/video_sources.h"

namespace vesk {

void EnumerateVideoCodecs(MediaSystem* media, MessageLog& log, std::vector<VideoCodec>* codecs) {
  codecs->push_back(VideoCodec{nullptr, kNoCodecName});

  if (media == nullptr) {
    log.ReportMessage(
        "\r\n\r\nERROR -- Unable to create a system device enumerator to search for codecs.  "
        "Report this issue.\r\n");
    return;
  }
  MonikerList monikers;
  const HResult enumerated = media->EnumerateDevices(DeviceCategory::VideoCompressor, &monikers);
  if (Failed(enumerated) || enumerated == S_FALSE) {
    log.ReportMessage(
        "\r\n\r\nERROR -- Unable to create a video compressor enumerator to search for codecs.  "
        "Report this issue.\r\n");
    return;
  }

  // A compressor that cannot be named or bound is left out silently.
  for (const std::shared_ptr<DeviceMoniker>& moniker : monikers) {
    if (!moniker) continue;
    std::string name;
    if (Failed(moniker->ReadFriendlyName(&name))) continue;
    std::shared_ptr<MediaFilter> filter;
    if (Failed(moniker->BindToFilter(&filter)) || !filter) continue;
    CleanDeviceName(&name);
    codecs->push_back(VideoCodec{std::move(filter), FitToCapacity(name, kVideoCodecNameCapacity)});
  }
}

std::vector<std::string> VideoCodecNames(const std::vector<VideoCodec>& codecs) {
  std::vector<std::string> names;
  names.reserve(codecs.size());
  for (const VideoCodec& codec : codecs) names.push_back(codec.name);
  return names;
}

const SubtypeCodecPair* CodecForSubtype(const std::vector<SubtypeCodecPair>& pairs,
                                        SubtypeCode subtype) {
  for (const SubtypeCodecPair& pair : pairs) {
    if (pair.subtype == subtype) return &pair;
  }
  return nullptr;
}

const VideoCodec* VideoCodecForSubtype(const std::vector<VideoCodec>& codecs,
                                       const std::vector<SubtypeCodecPair>& pairs,
                                       SubtypeCode subtype) {
  const SubtypeCodecPair* pair = CodecForSubtype(pairs, subtype);
  if (pair == nullptr || pair->codec_index >= codecs.size()) return nullptr;
  return &codecs[pair->codec_index];
}

std::string CodecNameForSubtype(const std::vector<SubtypeCodecPair>& pairs, SubtypeCode subtype) {
  const SubtypeCodecPair* pair = CodecForSubtype(pairs, subtype);
  return pair == nullptr ? std::string(kNoCodecName) : pair->codec_name;
}

}  // namespace vesk
