#pragma once

// "File options": the prefixes and folders of video and log files and the global prefix of
// event file names, laid out in dialog units of its Tahoma 11 font. Modal; Run returns
// kFileOptionsSaved or kFileOptionsCancelled.

#include <QComboBox>
#include <QDialog>
#include <QIcon>

#include "events/file_options_model.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vesk {

class FileOptionsWindow final : public QDialog, public FileOptionsView {
  Q_OBJECT

 public:
  // A null icon makes its buttons plain text buttons.
  FileOptionsWindow(FileOptionsModel& model, const QIcon& folder_icon, const QIcon& clear_icon,
                    QWidget* parent = nullptr);

  int Run();

  QLineEdit* field(FileOptionsField which) const;
  QLabel* preview(FileKind kind) const {
    return kind == FileKind::Video ? video_preview_ : log_preview_;
  }
  QLineEdit* folder(FileKind kind) const {
    return kind == FileKind::Video ? video_folder_ : log_folder_;
  }
  QPushButton* select_button(FileKind kind) const;
  QPushButton* clear_button(FileKind kind) const;
  QPushButton* host_name_button() const { return host_name_; }
  QPushButton* save_button() const { return save_; }
  QPushButton* cancel_button() const { return cancel_; }

  // FileOptionsView
  void SetFieldText(FileOptionsField field, std::string_view text) override;
  void SetPreview(FileKind kind, std::string_view text) override;
  void SetFolderText(FileKind kind, std::string_view text) override;
  void SetRecordFormat(RecordingFileFormat format) override;
  QComboBox* record_format() const { return record_format_; }
  std::optional<std::string> PickFolder() override;
  std::optional<std::string> ComputerName() override;

 private:
  FileOptionsModel& model_;
  QComboBox* record_format_ = nullptr;
  QLineEdit* video_prefix_ = nullptr;
  QLineEdit* log_prefix_ = nullptr;
  QLineEdit* global_prefix_ = nullptr;
  QLabel* video_preview_ = nullptr;
  QLabel* log_preview_ = nullptr;
  QLineEdit* video_folder_ = nullptr;
  QLineEdit* log_folder_ = nullptr;
  QPushButton* video_select_ = nullptr;
  QPushButton* video_clear_ = nullptr;
  QPushButton* log_select_ = nullptr;
  QPushButton* log_clear_ = nullptr;
  QPushButton* host_name_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace vesk
