#include "platform/gst/avi_carried_codecs.h"

#include <array>
#include <cstring>

#include "platform/gst/gst_ref.h"

namespace vesk::gst {
namespace {

// FFV1 (version 1) in AVI is what observers' reduction tools read. 4:2:2 and RGB stay as
// the camera sent them.
constexpr std::array<CarriedCodec, 1> kCarriedCodecs = {{
    {"avenc_ffv1", "video/x-raw, format=(string){ Y42B, Y444, BGRx, BGRA, GRAY8 }",
     "video/x-huffyuv", "HFYU", "FFV1"},
}};

GstPadProbeReturn CorrectHeader(GstPad*, GstPadProbeInfo* info, gpointer data) {
  const auto* codec = static_cast<const CarriedCodec*>(data);
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  if (buffer == nullptr || gst_buffer_get_size(buffer) < 12) return GST_PAD_PROBE_OK;
  char head[12];
  gst_buffer_extract(buffer, 0, head, sizeof head);
  // Only the first RIFF list carries the stream headers; it is written at the start and
  // again when the file is finished.
  if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "AVI ", 4) != 0) {
    return GST_PAD_PROBE_OK;
  }
  buffer = gst_buffer_make_writable(buffer);
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
  GstMapInfo map;
  if (gst_buffer_map(buffer, &map, GST_MAP_READWRITE)) {
    CorrectAviHeaderFourcc(map.data, map.size, codec->stand_in_fourcc, codec->fourcc);
    gst_buffer_unmap(buffer, &map);
  }
  return GST_PAD_PROBE_OK;
}

}  // namespace

const CarriedCodec* CarriedCodecFor(const std::string& factory) {
  for (const CarriedCodec& codec : kCarriedCodecs) {
    if (factory == codec.factory) return &codec;
  }
  return nullptr;
}

std::shared_ptr<ElementFilter> MakeCarriedCodecFilter(const CarriedCodec& codec,
                                                      const std::string& display_name) {
  auto filter = std::make_shared<ElementFilter>(display_name, [&codec]() -> GstElement* {
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* formats = gst_element_factory_make("capsfilter", nullptr);
    GstElement* encoder = gst_element_factory_make(codec.factory, nullptr);
    GstElement* relabel = gst_element_factory_make("capssetter", nullptr);
    GstRef<GstCaps> input = Adopt(gst_caps_from_string(codec.input_caps));
    GstRef<GstCaps> stand_in = Adopt(gst_caps_from_string(codec.stand_in_caps));
    if (formats == nullptr || encoder == nullptr || relabel == nullptr) {
      for (GstElement* made : {formats, encoder, relabel}) {
        if (made != nullptr) gst_object_unref(gst_object_ref_sink(made));
      }
      gst_object_unref(gst_object_ref_sink(bin));
      return nullptr;
    }
    g_object_set(formats, "caps", input.get(), nullptr);
    g_object_set(relabel, "caps", stand_in.get(), "join", FALSE, nullptr);
    gst_bin_add_many(GST_BIN(bin), formats, encoder, relabel, nullptr);
    gst_element_link_many(formats, encoder, relabel, nullptr);
    GstRef<GstPad> sink = Adopt(gst_element_get_static_pad(formats, "sink"));
    GstRef<GstPad> src = Adopt(gst_element_get_static_pad(relabel, "src"));
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", sink.get()));
    gst_element_add_pad(bin, gst_ghost_pad_new("src", src.get()));
    return bin;
  });
  GstRef<GstCaps> input = Adopt(gst_caps_from_string(codec.input_caps));
  GstRef<GstCaps> output = Adopt(gst_caps_from_string(codec.stand_in_caps));
  filter->SetPinCaps(input.get(), output.get());
  filter->set_carried_codec(&codec);
  filter->set_encoder(true);
  return filter;
}

int CorrectAviHeaderFourcc(guint8* data, gsize size, const char* stand_in, const char* fourcc) {
  int replaced = 0;
  // strh: "strh", size, fccType "vids", fccHandler.
  // strf: "strf", size, then a BITMAPINFOHEADER whose biCompression is 16 bytes in.
  for (gsize i = 0; i + 28 <= size; ++i) {
    if (std::memcmp(data + i, "strh", 4) == 0 && std::memcmp(data + i + 8, "vids", 4) == 0 &&
        std::memcmp(data + i + 12, stand_in, 4) == 0) {
      std::memcpy(data + i + 12, fourcc, 4);
      ++replaced;
    } else if (std::memcmp(data + i, "strf", 4) == 0 &&
               std::memcmp(data + i + 24, stand_in, 4) == 0) {
      std::memcpy(data + i + 24, fourcc, 4);
      ++replaced;
    }
  }
  return replaced;
}

void InstallAviHeaderCorrection(GstPad* file_pad, const CarriedCodec& codec) {
  gst_pad_add_probe(file_pad, GST_PAD_PROBE_TYPE_BUFFER, CorrectHeader,
                    const_cast<CarriedCodec*>(&codec), nullptr);
}

}  // namespace vesk::gst
