#include "events/file_options_model.h"

#include <algorithm>

#include "base/code_page.h"
#include "base/files.h"
#include "base/name_filter.h"

namespace vesk {

std::string FileNamePreview(FileKind kind, std::string_view prefix, RecordingFileFormat format) {
  std::string text = "File name:  ";
  if (!prefix.empty()) {
    text += prefix;
    text += '_';
  }
  text += "mm_dd_yyyy_hh_mm_ss";
  text += kind == FileKind::Video ? VideoFileExtension(format) : ".log";
  return text;
}

void FileOptionsModel::RecordFormatChosen(RecordingFileFormat format) {
  copies_.record_format = format;
  if (view_ != nullptr) {
    view_->SetPreview(FileKind::Video, FileNamePreview(FileKind::Video, copies_.video_prefix, format));
  }
}

void FileOptionsModel::Open(FileOptionsView* view) {
  view_ = view;
  copies_ = FileOptionsCopies{options_.video_name_prefix, options_.logfile_name_prefix,
                              options_.video_directory,   options_.logfile_directory,
                              options_.event_file_global_prefix, options_.record_format};
  if (view_ == nullptr) return;
  view_->SetFieldText(FileOptionsField::VideoPrefix, copies_.video_prefix);
  view_->SetFieldText(FileOptionsField::LogPrefix, copies_.log_prefix);
  view_->SetFieldText(FileOptionsField::GlobalPrefix, copies_.global_prefix);
  view_->SetFolderText(FileKind::Video, copies_.video_folder);
  view_->SetFolderText(FileKind::Log, copies_.log_folder);
  view_->SetPreview(FileKind::Video,
                    FileNamePreview(FileKind::Video, copies_.video_prefix, copies_.record_format));
  view_->SetPreview(FileKind::Log, FileNamePreview(FileKind::Log, copies_.log_prefix));
  view_->SetRecordFormat(copies_.record_format);
}

void FileOptionsModel::TextEdited(FileOptionsField field, std::string_view text) {
  const bool global = field == FileOptionsField::GlobalPrefix;
  std::string& copy = global                                   ? copies_.global_prefix
                      : field == FileOptionsField::VideoPrefix ? copies_.video_prefix
                                                               : copies_.log_prefix;
  copy = TruncateToCharacters(text, global ? kGlobalPrefixMaxCharacters : kFilePrefixMaxCharacters);
  if (FilterNameCharacters(&copy, false)) {
    if (view_ != nullptr) view_->SetFieldText(field, copy);
    log_.ReportMessage(kNameCharactersText, false);
  }
  if (global || view_ == nullptr) return;
  const FileKind kind = field == FileOptionsField::VideoPrefix ? FileKind::Video : FileKind::Log;
  view_->SetPreview(kind, FileNamePreview(kind, copy, copies_.record_format));
}

void FileOptionsModel::SelectFolder(FileKind kind) {
  if (view_ == nullptr) return;
  const std::optional<std::string> picked = view_->PickFolder();
  if (!picked || picked->empty()) return;
  std::string folder = *picked;
  if (folder.back() != files::kSeparator) folder += files::kSeparator;
  // A folder the options file cannot hold would be lost at the next start: refuse it now.
  std::string encoded;
  if (CharacterCount(folder) > kFolderMaxCharacters) {
    log_.ReportMessage("WARNING: the folder " + folder + " is not used: its path is longer than " +
                           std::to_string(kFolderMaxCharacters - 1) + " characters\r\n",
                       true);
    return;
  }
  if (!TryUtf8ToWindows1252(folder, &encoded)) {
    log_.ReportMessage("WARNING: the folder " + folder +
                           " is not used: its path has characters the options file cannot "
                           "hold\r\n",
                       true);
    return;
  }
  FolderCopy(kind) = folder;
  view_->SetFolderText(kind, folder);
}

void FileOptionsModel::ClearFolder(FileKind kind) {
  FolderCopy(kind).clear();
  if (view_ != nullptr) view_->SetFolderText(kind, "");
}

void FileOptionsModel::HostName() {
  if (view_ == nullptr) return;
  const std::optional<std::string> computer = view_->ComputerName();
  if (!computer) return;
  std::string name = *computer;
  if (FilterNameCharacters(&name, false)) log_.ReportMessage(kHostNameFilteredText, false);
  std::transform(name.begin(), name.end(), name.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  name.resize(std::min(name.size(), kGlobalPrefixMaxCharacters));
  copies_.global_prefix = name;
  view_->SetFieldText(FileOptionsField::GlobalPrefix, name);
}

int FileOptionsModel::Save() {
  options_.video_name_prefix = copies_.video_prefix;
  options_.video_directory = copies_.video_folder;
  options_.logfile_name_prefix = copies_.log_prefix;
  options_.logfile_directory = copies_.log_folder;
  options_.event_file_global_prefix = copies_.global_prefix;
  options_.record_format = copies_.record_format;
  return kFileOptionsSaved;
}

}  // namespace vesk
