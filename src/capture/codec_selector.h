#pragma once

// The rules of the Codec Selector: which compressors work with the device in use and its
// format, which one is chosen for the format's subtype, and whether the choice is kept in
// the options file or only until the next start-up.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "capture/codec_discovery.h"
#include "config/option_dialogs.h"

namespace vesk {

inline constexpr char kCodecSelectorTitle[] = "Codec Selector";
inline constexpr char kCodecSelectorPrompt[] = "Select codec from list below for";
inline constexpr char kCodecSelectorSaveBox[] = " Save selection in Options File";

struct CodecSelectorContext {
  CaptureGraph& graph;
  // The working pairs the recordings use, and those the options file keeps.
  std::vector<SubtypeCodecPair>& working_pairs;
  std::vector<SubtypeCodecPair>& saved_pairs;
  std::string process_directory;
  std::function<HResult()> start_video;
};

class CodecSelectorModel {
 public:
  explicit CodecSelectorModel(CodecSelectorContext context) : context_(std::move(context)) {}

  // Runs the discovery (live video pauses meanwhile) and fills the rows.
  void Open();
  // "YUY2 format subtype".
  const std::string& subtype_label() const { return subtype_label_; }
  const std::vector<std::string>& rows() const { return rows_; }
  // The last row naming the codec of the subtype's working pair, or nothing.
  std::optional<std::size_t> selected_row() const { return selected_row_; }
  static const char* OkButtonText(bool save) { return save ? "Save" : "OK"; }
  // kDialogSave when the choice went into the options too, else kDialogApplied.
  int Ok(std::optional<std::size_t> row, bool save);
  int Cancel() const { return kDialogApplied; }

 private:
  CodecSelectorContext context_;
  UsableCodecs usable_;
  SubtypeCode subtype_ = SubtypeCode::NoFormat;
  std::string subtype_label_;
  std::vector<std::string> rows_;
  std::optional<std::size_t> selected_row_;
};

// One pair per subtype: the codec of the first pair with the subtype is replaced, or the pair
// is appended.
void ChooseCodecForSubtype(std::vector<SubtypeCodecPair>* pairs, const SubtypeCodecPair& pair);

}  // namespace vesk
