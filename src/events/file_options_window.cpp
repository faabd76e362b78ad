#include "events/file_options_window.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSysInfo>

#include "platform/qt/dialog_units.h"

namespace vesk {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* IconButton(QWidget* parent, int id, const QRect& rect, const QIcon& icon,
                        const char* name, const char* fallback) {
  auto* button = PlaceControl(new QPushButton(parent), id, rect);
  button->setAccessibleName(QString::fromLatin1(name));
  button->setToolTip(QString::fromLatin1(name));
  if (icon.isNull()) {
    button->setText(QString::fromLatin1(fallback));
  } else {
    button->setIcon(icon);
    button->setIconSize(QSize(rect.height() - 4, rect.height() - 4));
  }
  return button;
}

}  // namespace

FileOptionsWindow::FileOptionsWindow(FileOptionsModel& model, const QIcon& folder_icon,
                                     const QIcon& clear_icon, QWidget* parent)
    : QDialog(parent), model_(model) {
  const DialogUnits du = UseDialogTemplateFont(this, kFileOptionsTitle, 248, 309);

  PlaceControl(new QGroupBox(QStringLiteral("Video"), this), 1152, du.Rect(7, 7, 234, 95));
  PlaceControl(new QGroupBox(QStringLiteral("User Messages Log"), this), 1078, du.Rect(7, 113, 234, 102));
  PlaceControl(new QLabel(QStringLiteral("Prefix:"), this), 1046, du.Rect(53, 21, 22, 8));
  video_prefix_ = PlaceControl(new QLineEdit(this), 1047, du.Rect(80, 19, 92, 14));
  video_preview_ = PlaceControl(new QLabel(this), 1048, du.Rect(14, 38, 223, 8));
  video_select_ =
      IconButton(this, 1049, du.Rect(56, 56, 50, 14), folder_icon, "Select Folder", "Folder");
  video_clear_ =
      IconButton(this, 1050, du.Rect(122, 56, 50, 14), clear_icon, "Clear Folder", "Folder Clear");
  video_folder_ = PlaceControl(new QLineEdit(this), 1051, du.Rect(57, 80, 114, 14));
  PlaceControl(new QLabel(QStringLiteral("Prefix:"), this), 1062, du.Rect(53, 137, 22, 8));
  log_prefix_ = PlaceControl(new QLineEdit(this), 1064, du.Rect(80, 135, 92, 14));
  log_preview_ = PlaceControl(new QLabel(this), 1065, du.Rect(14, 154, 220, 8));
  log_select_ =
      IconButton(this, 1068, du.Rect(56, 172, 50, 14), folder_icon, "Select Folder", "Folder");
  log_clear_ =
      IconButton(this, 1072, du.Rect(122, 172, 50, 14), clear_icon, "Clear Folder", "Folder Clear");
  log_folder_ = PlaceControl(new QLineEdit(this), 1076, du.Rect(57, 196, 114, 14));
  PlaceControl(new QLabel(QStringLiteral("Event File Global Prefix (12 chars max):"), this), 1240,
        du.Rect(20, 228, 133, 8));
  global_prefix_ = PlaceControl(new QLineEdit(this), 1241, du.Rect(154, 226, 63, 14));
  host_name_ =
      PlaceControl(new QPushButton(QStringLiteral("Host Name"), this), 1242, du.Rect(89, 246, 50, 14));
  // The recording format, below the documented controls.
  PlaceControl(new QLabel(QStringLiteral("Recording format:"), this), 1243, du.Rect(20, 268, 60, 8));
  record_format_ = PlaceControl(new QComboBox(this), 1244, du.Rect(84, 266, 150, 14));
  for (const char* choice : kRecordFormatChoices) record_format_->addItem(QString::fromLatin1(choice));
  save_ = PlaceControl(new QPushButton(QStringLiteral("Save"), this), 1074, du.Rect(37, 288, 50, 14));
  cancel_ = PlaceControl(new QPushButton(QStringLiteral("Cancel"), this), 1038, du.Rect(156, 288, 50, 14));
  save_->setDefault(true);
  video_prefix_->setMaxLength(kFilePrefixMaxCharacters);
  log_prefix_->setMaxLength(kFilePrefixMaxCharacters);
  global_prefix_->setMaxLength(kGlobalPrefixMaxCharacters);
  video_folder_->setReadOnly(true);
  log_folder_->setReadOnly(true);

  model_.Open(this);

  for (const FileOptionsField which : {FileOptionsField::VideoPrefix, FileOptionsField::LogPrefix,
                                       FileOptionsField::GlobalPrefix}) {
    connect(field(which), &QLineEdit::textChanged, this,
            [this, which](const QString& text) { model_.TextEdited(which, text.toStdString()); });
  }
  for (const FileKind kind : {FileKind::Video, FileKind::Log}) {
    connect(select_button(kind), &QPushButton::clicked, this,
            [this, kind] { model_.SelectFolder(kind); });
    connect(clear_button(kind), &QPushButton::clicked, this,
            [this, kind] { model_.ClearFolder(kind); });
  }
  connect(host_name_, &QPushButton::clicked, this, [this] { model_.HostName(); });
  connect(record_format_, &QComboBox::currentIndexChanged, this, [this](int index) {
    model_.RecordFormatChosen(index == 1 ? RecordingFileFormat::Ser : RecordingFileFormat::Avi);
  });
  connect(save_, &QPushButton::clicked, this, [this] {
    model_.Save();
    accept();
  });
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void FileOptionsWindow::SetRecordFormat(RecordingFileFormat format) {
  record_format_->setCurrentIndex(format == RecordingFileFormat::Ser ? 1 : 0);
}

int FileOptionsWindow::Run() {
  return exec() == QDialog::Accepted ? kFileOptionsSaved : kFileOptionsCancelled;
}

QLineEdit* FileOptionsWindow::field(FileOptionsField which) const {
  switch (which) {
    case FileOptionsField::LogPrefix:
      return log_prefix_;
    case FileOptionsField::GlobalPrefix:
      return global_prefix_;
    case FileOptionsField::VideoPrefix:
      break;
  }
  return video_prefix_;
}

QPushButton* FileOptionsWindow::select_button(FileKind kind) const {
  return kind == FileKind::Video ? video_select_ : log_select_;
}

QPushButton* FileOptionsWindow::clear_button(FileKind kind) const {
  return kind == FileKind::Video ? video_clear_ : log_clear_;
}

void FileOptionsWindow::SetFieldText(FileOptionsField which, std::string_view text) {
  field(which)->setText(ToQString(text));
}

void FileOptionsWindow::SetPreview(FileKind kind, std::string_view text) {
  preview(kind)->setText(ToQString(text));
}

void FileOptionsWindow::SetFolderText(FileKind kind, std::string_view text) {
  folder(kind)->setText(ToQString(text));
}

std::optional<std::string> FileOptionsWindow::PickFolder() {
  const QString path =
      QFileDialog::getExistingDirectory(nullptr, QString(), QString(), QFileDialog::ShowDirsOnly);
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

std::optional<std::string> FileOptionsWindow::ComputerName() {
  const QString name = QSysInfo::machineHostName();
  if (name.isEmpty()) return std::nullopt;
  return name.toStdString();
}

}  // namespace vesk
