#pragma once

// The rules of the File options dialog: working copies of the name prefixes and folders of
// video and log files and of the global prefix of event file names, their previews and
// character rule, the folder choice and the computer's name as global prefix. Options
// change only on Save.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/message_log.h"
#include "config/options.h"

namespace vesk {

inline constexpr char kFileOptionsTitle[] = "File options";
// The dialog's results: Save, and Cancel or the close box.
inline constexpr int kFileOptionsSaved = 1;
inline constexpr int kFileOptionsCancelled = 3;
inline constexpr std::size_t kFilePrefixMaxCharacters = 20;
inline constexpr std::size_t kGlobalPrefixMaxCharacters = 12;
// A folder, its closing separator included.
inline constexpr std::size_t kFolderMaxCharacters = 511;
inline constexpr std::string_view kHostNameFilteredText =
    "One or more characters removed from computer name to have valid global event file name "
    "prefix\r\n";

enum class FileOptionsField { VideoPrefix, LogPrefix, GlobalPrefix };
enum class FileKind { Video, Log };

// "File name:  " + the prefix and "_" when there is one + the date part and extension.
std::string FileNamePreview(FileKind kind, std::string_view prefix,
                            RecordingFileFormat format = RecordingFileFormat::Avi);

// The choices of the recording format box, in order: AVI (the default), then SER.
inline constexpr const char* kRecordFormatChoices[] = {
    "AVI", "SER (with the UTC time of every frame)"};

class FileOptionsView {
 public:
  virtual ~FileOptionsView() = default;
  virtual void SetFieldText(FileOptionsField field, std::string_view text) = 0;
  virtual void SetPreview(FileKind kind, std::string_view text) = 0;
  virtual void SetFolderText(FileKind kind, std::string_view text) = 0;
  virtual void SetRecordFormat(RecordingFileFormat format) { (void)format; }
  // The folder picker; nothing when the observer cancels it or it cannot be shown.
  virtual std::optional<std::string> PickFolder() = 0;
  // The computer's name; nothing when it cannot be read.
  virtual std::optional<std::string> ComputerName() = 0;
};

struct FileOptionsCopies {
  std::string video_prefix;
  std::string log_prefix;
  std::string video_folder;
  std::string log_folder;
  std::string global_prefix;
  RecordingFileFormat record_format = RecordingFileFormat::Avi;
};

class FileOptionsModel {
 public:
  FileOptionsModel(Options& options, MessageLog& log) : options_(options), log_(log) {}

  // The dialog opens on view: the working copies from the options, the edits and previews.
  void Open(FileOptionsView* view);
  void TextEdited(FileOptionsField field, std::string_view text);
  void SelectFolder(FileKind kind);
  void ClearFolder(FileKind kind);
  void HostName();
  // The recording format box: the video file name's preview follows it.
  void RecordFormatChosen(RecordingFileFormat format);
  // The working copies become the options; the caller saves the options file.
  int Save();
  int Cancel() const { return kFileOptionsCancelled; }

  const FileOptionsCopies& copies() const { return copies_; }

 private:
  std::string& FolderCopy(FileKind kind) {
    return kind == FileKind::Video ? copies_.video_folder : copies_.log_folder;
  }

  Options& options_;
  MessageLog& log_;
  FileOptionsView* view_ = nullptr;
  FileOptionsCopies copies_;
};

}  // namespace vesk
