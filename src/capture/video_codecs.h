#pragma once

// The compressors a recording may go through, listed once at start-up, and the choice of
// one per capture subtype.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "base/message_log.h"
#include "media/media_graph.h"
#include "media/video_types.h"

namespace vesk {

constexpr std::size_t kVideoCodecNameCapacity = 256;
// The pseudo-codec that records uncompressed; it has no filter.
constexpr const char* kNoCodecName = "NONE";

struct VideoCodec {
  std::shared_ptr<MediaFilter> filter;  // none for "NONE"
  std::string name;                     // cleaned friendly name
};

// Builds the codec list: "NONE" first, then every installed compressor that can be named and
// bound, in the platform's order. Never fails; without a media system or without
// compressors the list holds "NONE" only and the reason is reported.
void EnumerateVideoCodecs(MediaSystem* media, MessageLog& log, std::vector<VideoCodec>* codecs);

// The names in list order, as the options reader resolves saved pairs against them.
std::vector<std::string> VideoCodecNames(const std::vector<VideoCodec>& codecs);

// The first pair for subtype, or nullptr.
const SubtypeCodecPair* CodecForSubtype(const std::vector<SubtypeCodecPair>& pairs,
                                        SubtypeCode subtype);

// The entry of codecs the first pair for subtype names, or nullptr when there is no pair or
// its index is out of range. The entry may be "NONE", which has no filter.
const VideoCodec* VideoCodecForSubtype(const std::vector<VideoCodec>& codecs,
                                       const std::vector<SubtypeCodecPair>& pairs,
                                       SubtypeCode subtype);

// The codec name a recording log shows for subtype: the pair's codec, or "NONE".
std::string CodecNameForSubtype(const std::vector<SubtypeCodecPair>& pairs, SubtypeCode subtype);

}  // namespace vesk
