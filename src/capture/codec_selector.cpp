#include "capture/codec_selector.h"

namespace vesk {

void ChooseCodecForSubtype(std::vector<SubtypeCodecPair>* pairs, const SubtypeCodecPair& pair) {
  for (SubtypeCodecPair& existing : *pairs) {
    if (existing.subtype == pair.subtype) {
      existing.codec_index = pair.codec_index;
      existing.codec_name = pair.codec_name;
      return;
    }
  }
  pairs->push_back(pair);
}

void CodecSelectorModel::Open() {
  subtype_ = context_.graph.sources().CurrentSubtypeCode();
  subtype_label_ = std::string(SubtypeNameOf(subtype_)) + " format subtype";
  GetCodecsForSourceDevice(context_.graph, context_.process_directory, context_.start_video,
                           &usable_);
  rows_.clear();
  selected_row_.reset();
  // The row shown chosen is the codec of this subtype's pair: a pair of another subtype
  // would offer a choice that is not the one this format records with.
  const SubtypeCodecPair* pair = CodecForSubtype(context_.working_pairs, subtype_);
  for (std::size_t row = 0; row < usable_.codecs.size(); ++row) {
    rows_.push_back(usable_.codecs[row]->name);
    if (pair != nullptr && pair->codec_name == rows_.back()) selected_row_ = row;
  }
}

int CodecSelectorModel::Ok(std::optional<std::size_t> row, bool save) {
  const std::vector<VideoCodec>& codecs = context_.graph.video_codecs();
  if (!row || *row >= usable_.indexes.size() || usable_.indexes[*row] >= codecs.size()) {
    return kDialogApplied;
  }
  const std::size_t index = usable_.indexes[*row];
  const SubtypeCodecPair pair{subtype_, index, codecs[index].name};
  ChooseCodecForSubtype(&context_.working_pairs, pair);
  if (!save) return kDialogApplied;
  ChooseCodecForSubtype(&context_.saved_pairs, pair);
  return kDialogSave;
}

}  // namespace vesk
