#include "station/inserter_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace vesk {
namespace {

// The picture fits beside the learning's controls on a 1280-pixel screen.
constexpr int kPictureWidth = 576;
constexpr int kPictureHeight = 432;
// Learnt cells are shown one and a half times their size.
constexpr int kCellShownWidth = inserter::kCellImageColumns * 3 / 2;
constexpr int kCellShownHeight = inserter::kCellImageRows * 3 / 2;

QString Text(const std::string& text) { return QString::fromStdString(text); }

QPixmap CellPixmap(const inserter::CellImage& cell) {
  QImage image(inserter::kCellImageColumns, inserter::kCellImageRows, QImage::Format_Grayscale8);
  for (int y = 0; y < inserter::kCellImageRows; ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < inserter::kCellImageColumns; ++x) {
      row[x] = cell[static_cast<std::size_t>(y * inserter::kCellImageColumns + x)] != 0 ? 0 : 255;
    }
  }
  return QPixmap::fromImage(image.scaled(kCellShownWidth, kCellShownHeight));
}

}  // namespace

StampPicture::StampPicture(StampMarkTarget& target, QWidget* parent)
    : QWidget(parent), target_(target) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setCursor(Qt::CrossCursor);
}

void StampPicture::Show(const QImage& frame, double scale, const QRect& mark) {
  const bool resized = frame.size() != frame_.size() || scale != scale_;
  frame_ = frame;
  scale_ = scale;
  mark_ = mark;
  if (resized) updateGeometry();
  update();
}

QSize StampPicture::sizeHint() const {
  if (frame_.isNull()) return {kPictureWidth * 3 / 4, kPictureHeight * 3 / 4};
  return {static_cast<int>(frame_.width() * scale_), static_cast<int>(frame_.height() * scale_)};
}

void StampPicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (frame_.isNull()) {
    painter.fillRect(rect(), QColor(64, 64, 64));
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRect(QPoint(0, 0), sizeHint()), frame_);
  painter.setPen(QPen(QColor(255, 200, 0), 2));
  if (dragging_) {
    painter.drawRect(QRect(from_, to_).normalized());
  } else if (!mark_.isNull()) {
    painter.drawRect(QRectF(mark_.left() * scale_, mark_.top() * scale_, mark_.width() * scale_,
                            mark_.height() * scale_));
  }
}

void StampPicture::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || frame_.isNull()) return;
  dragging_ = true;
  from_ = to_ = event->position().toPoint();
  update();
}

void StampPicture::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  to_ = event->position().toPoint();
  update();
}

void StampPicture::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return;
  dragging_ = false;
  to_ = event->position().toPoint();
  target_.OnStampMarked({from_.x(), from_.y()}, {to_.x(), to_.y()});
  update();
}

InserterWindow::InserterWindow(InserterPort* port, QWidget* parent)
    : QWidget(parent, Qt::Window), port_(port), model_(port) {
  setWindowTitle(kInserterWindowTitle);
  auto* columns = new QHBoxLayout(this);

  // Left: the picture to mark the stamp on, and the read-out under it.
  auto* left = new QVBoxLayout;
  columns->addLayout(left);
  notice_ = new QLabel(this);
  notice_->setStyleSheet("color: #b00000; font-weight: bold;");
  left->addWidget(notice_);
  left->addWidget(new QLabel(kMarkHintText, this));
  picture_ = new StampPicture(*this, this);
  left->addWidget(picture_, 0, Qt::AlignLeft);
  auto* mark_row = new QHBoxLayout;
  mark_text_ = new QLabel(this);
  clear_mark_ = new QPushButton("Clear Mark", this);
  connect(clear_mark_, &QPushButton::clicked, this, [this] {
    model_.ClearMark();
    Refresh();
  });
  mark_row->addWidget(mark_text_, 1);
  mark_row->addWidget(clear_mark_);
  left->addLayout(mark_row);
  auto* readout = new QGroupBox("Live read-out", this);
  auto* readout_layout = new QVBoxLayout(readout);
  time_ = new QLabel(readout);
  offset_ = new QLabel(readout);
  for (QLabel* label : {time_, offset_}) {
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    label->setFont(font);
    readout_layout->addWidget(label);
  }
  left->addWidget(readout);
  left->addStretch(1);

  // Right: learning, what was learnt, saving.
  auto* right = new QVBoxLayout;
  columns->addLayout(right, 1);
  auto* learn_row = new QHBoxLayout;
  learn_row->addWidget(new QLabel("Seconds to learn:", this));
  seconds_ = new QSpinBox(this);
  seconds_->setRange(1, kMaxLearningSeconds);
  seconds_->setValue(kDefaultLearningSeconds);
  learn_row->addWidget(seconds_);
  learn_ = new QPushButton("Learn", this);
  stop_ = new QPushButton("Stop", this);
  learn_row->addWidget(learn_);
  learn_row->addWidget(stop_);
  learn_row->addStretch(1);
  right->addLayout(learn_row);
  connect(learn_, &QPushButton::clicked, this, [this] {
    model_.set_seconds(seconds_->value());
    model_.Learn();
    Refresh();
  });
  connect(stop_, &QPushButton::clicked, this, [this] {
    model_.Stop();
    Refresh();
  });
  progress_ = new QProgressBar(this);
  progress_->setTextVisible(false);
  right->addWidget(progress_);
  progress_text_ = new QLabel(this);
  right->addWidget(progress_text_);
  report_ = new QPlainTextEdit(this);
  report_->setReadOnly(true);
  report_->setFixedHeight(report_->fontMetrics().lineSpacing() * 6 + 12);
  right->addWidget(report_);

  auto* digits_box = new QGroupBox("Learnt digits", this);
  digits_layout_ = new QVBoxLayout(digits_box);
  confirm_text_ = new QLabel(digits_box);
  confirm_text_->setWordWrap(true);
  digits_layout_->addWidget(confirm_text_);
  right->addWidget(digits_box);

  auto* save_row = new QHBoxLayout;
  save_ = new QPushButton("Save", this);
  connect(save_, &QPushButton::clicked, this, [this] { Save(); });
  save_row->addWidget(save_);
  save_text_ = new QLabel(this);
  save_text_->setWordWrap(true);
  save_row->addWidget(save_text_, 1);
  right->addLayout(save_row);
  right->addStretch(1);

  timer_ = new QTimer(this);
  timer_->setInterval(kInserterPollMilliseconds);
  connect(timer_, &QTimer::timeout, this, &InserterWindow::Refresh);
  ShowDigits();
  Refresh();
}

QCheckBox* InserterWindow::confirm_box(int field, int digit) const {
  if (field < 0 || field > 1 || digit < 0 || digit > 9) return nullptr;
  return confirm_[static_cast<std::size_t>(field)][static_cast<std::size_t>(digit)];
}

void InserterWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (model_.available()) timer_->start();
  Refresh();
}

void InserterWindow::hideEvent(QHideEvent* event) {
  timer_->stop();
  QWidget::hideEvent(event);
}

void InserterWindow::Refresh() {
  if (model_.Poll()) ShowDigits();
  ShowFrame();
  if (!model_.available()) {
    notice_->setText(kCannotLearnText);
  } else {
    notice_->setText(model_.frame_width() > 0 ? QString() : QString(kNoFrameYetText));
  }
  notice_->setVisible(!notice_->text().isEmpty());
  mark_text_->setText(Text(model_.MarkText()));
  clear_mark_->setEnabled(model_.mark().has_value());
  seconds_->setEnabled(model_.can_learn());
  learn_->setEnabled(model_.can_learn());
  stop_->setEnabled(model_.can_stop());
  save_->setEnabled(model_.can_save());

  const InserterStatus& status = model_.status();
  progress_->setRange(0, std::max(status.frames_to_learn, 1));
  progress_->setValue(std::clamp(status.frames_learnt, 0, std::max(status.frames_to_learn, 1)));
  progress_text_->setText(Text(model_.ProgressText()));
  std::string report;
  for (const std::string& line : status.report) report += line + "\n";
  if (report_->toPlainText() != Text(report).trimmed())
    report_->setPlainText(Text(report).trimmed());

  confirm_text_->setText(Text(model_.ConfirmText()));
  save_text_->setText(Text(model_.save_text()));
  const bool failed = model_.save_text().rfind(kSaveFailedText, 0) == 0;
  save_text_->setStyleSheet(failed ? "color: #b00000;" : "");
  time_->setText(Text(model_.InserterTimeText()));
  offset_->setText(Text(model_.ClockOffsetText()));
}

void InserterWindow::ShowFrame() {
  int width = 0, height = 0;
  if (model_.TakeFrame(&luma_, &width, &height)) {
    frame_ = QImage(luma_.data(), width, height, width, QImage::Format_Grayscale8).copy();
    scale_ = std::min({1.0, static_cast<double>(kPictureWidth) / width,
                       static_cast<double>(kPictureHeight) / height});
  }
  QRect mark;
  if (const auto& band = model_.mark()) {
    mark = QRect(QPoint(band->left, band->top), QPoint(band->right - 1, band->bottom - 1));
  }
  picture_->setEnabled(model_.available());
  picture_->Show(frame_, scale_, mark);
}

void InserterWindow::ShowDigits() {
  delete digits_;
  digits_ = nullptr;
  confirm_ = {};
  const auto& learnt = model_.learnt();
  if (!learnt) return;
  digits_ = new QWidget(this);
  auto* grid = new QGridLayout(digits_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(6);
  int row = 0;
  for (int field = 0; field < 2; ++field) {
    grid->addWidget(
        new QLabel(field == 0 ? "Top field (rows 0, 2, 4...)" : "Bottom field (rows 1, 3, 5...)",
                   digits_),
        row++, 0, 1, 10);
    const inserter::LearntInserter& learnt_field = (*learnt)[static_cast<std::size_t>(field)];
    for (int digit = 0; digit < 10; ++digit) {
      auto* cell = new QLabel(digits_);
      cell->setPixmap(CellPixmap(learnt_field.digits[static_cast<std::size_t>(digit)]));
      cell->setAlignment(Qt::AlignCenter);
      const bool doubtful = model_.Doubtful(field, digit);
      cell->setStyleSheet(doubtful ? "border: 3px solid #ff8c00;" : "border: 3px solid #d0d0d0;");
      grid->addWidget(cell, row, digit, Qt::AlignHCenter);
      auto* name = new QLabel(QString::number(digit), digits_);
      name->setAlignment(Qt::AlignCenter);
      grid->addWidget(name, row + 1, digit, Qt::AlignHCenter);
      if (doubtful) {
        auto* box = new QCheckBox("OK", digits_);
        box->setToolTip(QString("This picture shows the digit %1").arg(digit));
        connect(box, &QCheckBox::toggled, this, [this, field, digit](bool on) {
          model_.SetConfirmed(field, digit, on);
          Refresh();
        });
        grid->addWidget(box, row + 2, digit, Qt::AlignHCenter);
        confirm_[static_cast<std::size_t>(field)][static_cast<std::size_t>(digit)] = box;
      }
    }
    row += 3;
  }
  digits_layout_->insertWidget(0, digits_);
  digits_->show();
}

void InserterWindow::OnStampMarked(ViewPoint from, ViewPoint to) {
  model_.MarkDrag(from, to, scale_);
  Refresh();
}

void InserterWindow::Save() {
  std::string error;
  if (!model_.Save(&error) && actions_ != nullptr) actions_->OnInserterSaveFailed(error);
  Refresh();
}

}  // namespace vesk
