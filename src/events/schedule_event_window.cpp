#include "events/schedule_event_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeZone>

#include "platform/qt/tool_window_style.h"

namespace vesk {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* MakeLabel(QWidget* parent, const char* text, const QRect& rect, const QFont& font) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setGeometry(rect);
  label->setFont(font);
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, int id, const QRect& rect, int max_length, const QFont& font) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::number(id));
  edit->setGeometry(rect);
  edit->setMaxLength(max_length);
  edit->setFont(font);
  return edit;
}

QDateTime ToQDateTime(const SystemTime& t) {
  return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second),
                   QTimeZone::utc());
}

SystemTime ToSystemTime(const QDateTime& value) {
  const QDate date = value.date();
  const QTime time = value.time();
  return SystemTime{static_cast<std::uint16_t>(date.year()),
                    static_cast<std::uint16_t>(date.month()),
                    0,
                    static_cast<std::uint16_t>(date.day()),
                    static_cast<std::uint16_t>(time.hour()),
                    static_cast<std::uint16_t>(time.minute()),
                    static_cast<std::uint16_t>(time.second()),
                    0};
}

QDateTimeEdit* MakePicker(QWidget* parent, const QRect& rect, const char* format) {
  auto* picker = new QDateTimeEdit(parent);
  picker->setGeometry(rect);
  picker->setTimeSpec(Qt::UTC);
  picker->setDisplayFormat(QString::fromLatin1(format));
  return picker;
}

}  // namespace

ScheduleEventWindow::ScheduleEventWindow(ScheduleEventModel& model, const QFont& label_font,
                                         const QFont& edit_font, const QFont& button_font,
                                         QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      model_(model) {
  setObjectName(QString::fromLatin1(kScheduleEventWindowClass));
  setWindowTitle(QString::fromLatin1(kScheduleEventWindowTitle));
  qt::UseToolWindowColours(this);
  setFixedSize(qt::ToolWindowClientSize(kScheduleEventWidth, kScheduleEventHeight));

  MakeLabel(this, "Predicted Event Date and Time (UTC):", QRect(60, 20, 260, 20), label_font);
  event_time_ = MakePicker(this, QRect(90, 50, 210, 30), kEventTimeFormat);
  event_time_->setFont(label_font);
  MakeLabel(this, "Recording Duration (hh:mm:ss):", QRect(80, 110, 210, 20), label_font);
  duration_ = MakePicker(this, QRect(140, 140, 100, 30), kDurationFormat);
  MakeLabel(this, "Optional File Prefixes (20 chars max each)", QRect(35, 200, 280, 20),
            label_font);
  MakeLabel(this, "Asteroid:", QRect(35, 230, 120, 20), label_font);
  asteroid_ = MakeEdit(this, 33008, QRect(100, 230, 195, 22), kEventNameMaxCharacters, edit_font);
  MakeLabel(this, "Star:", QRect(60, 260, 80, 20), label_font);
  star_ = MakeEdit(this, 33009, QRect(100, 260, 195, 22), kEventNameMaxCharacters, edit_font);
  MakeLabel(this, "Global Prefix:", QRect(58, 290, 90, 20), label_font);
  global_prefix_ = MakeLabel(this, "", QRect(155, 290, 120, 20), edit_font);
  MakeLabel(this, "Optional Comment (35 chars max):", QRect(60, 340, 230, 20), label_font);
  comment_ = MakeEdit(this, 33010, QRect(22, 370, 330, 22), kEventCommentMaxCharacters, edit_font);
  hibernate_ = new QCheckBox(QStringLiteral("Hibernate after recording completed"), this);
  hibernate_->setObjectName(QStringLiteral("33011"));
  hibernate_->setGeometry(50, 410, 260, 25);
  shutdown_ = new QCheckBox(QStringLiteral("Shut down after recording completed"), this);
  shutdown_->setObjectName(QStringLiteral("33012"));
  shutdown_->setGeometry(50, 435, 260, 25);
  save_ = new QPushButton(QStringLiteral("Save"), this);
  save_->setObjectName(QStringLiteral("33013"));
  save_->setGeometry(40, 480, 80, 28);
  save_->setFont(button_font);
  save_->setDefault(true);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("33014"));
  cancel_->setGeometry(265, 480, 80, 28);
  cancel_->setFont(button_font);

  for (const EventTextField which :
       {EventTextField::Asteroid, EventTextField::Star, EventTextField::Comment}) {
    connect(field(which), &QLineEdit::textChanged, this,
            [this, which](const QString& text) { model_.TextEdited(which, text.toStdString()); });
  }
  for (const EventCheckBox which : {EventCheckBox::Hibernate, EventCheckBox::Shutdown}) {
    connect(check_box(which), &QCheckBox::clicked, this,
            [this, which](bool checked) { model_.CheckBoxClicked(which, checked); });
  }
  connect(save_, &QPushButton::clicked, this, [this] { model_.Save(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { model_.Cancel(); });
}

QLineEdit* ScheduleEventWindow::field(EventTextField which) const {
  switch (which) {
    case EventTextField::Star:
      return star_;
    case EventTextField::Comment:
      return comment_;
    case EventTextField::Asteroid:
      break;
  }
  return asteroid_;
}

QCheckBox* ScheduleEventWindow::check_box(EventCheckBox which) const {
  return which == EventCheckBox::Hibernate ? hibernate_ : shutdown_;
}

void ScheduleEventWindow::SetTitle(std::string_view title) { setWindowTitle(ToQString(title)); }

void ScheduleEventWindow::ShowForm(const ScheduleEventForm& form) {
  event_time_->setDateTime(ToQDateTime(form.event_time));
  duration_->setDateTime(ToQDateTime(form.duration));
  asteroid_->setText(ToQString(form.asteroid_name));
  star_->setText(ToQString(form.star_name));
  comment_->setText(ToQString(form.comment));
  hibernate_->setChecked(form.hibernate);
  shutdown_->setChecked(form.shutdown);
}

ScheduleEventForm ScheduleEventWindow::ReadForm() {
  ScheduleEventForm form;
  form.event_time = ToSystemTime(event_time_->dateTime());
  form.duration = ToSystemTime(duration_->dateTime());
  form.asteroid_name = asteroid_->text().toStdString();
  form.star_name = star_->text().toStdString();
  form.comment = comment_->text().toStdString();
  form.hibernate = hibernate_->isChecked();
  form.shutdown = shutdown_->isChecked();
  return form;
}

void ScheduleEventWindow::SetFieldText(EventTextField which, std::string_view text) {
  field(which)->setText(ToQString(text));
}

void ScheduleEventWindow::SetChecked(EventCheckBox which, bool checked) {
  check_box(which)->setChecked(checked);
}

void ScheduleEventWindow::SetGlobalPrefix(std::string_view prefix) {
  global_prefix_->setText(ToQString(prefix));
}

void ScheduleEventWindow::ShowWindow() {
  show();
  raise();
  activateWindow();
}

void ScheduleEventWindow::HideWindow() { hide(); }

void ScheduleEventWindow::closeEvent(QCloseEvent* event) {
  // The window lives for the whole run: closing hides it, as Cancel does.
  event->ignore();
  model_.Cancel();
}

}  // namespace vesk
