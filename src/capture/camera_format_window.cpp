#include "capture/camera_format_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>

#include "platform/qt/slider_value_tip.h"
#include "platform/qt/text_fit.h"
#include "platform/qt/tool_window_style.h"

namespace vesk {
namespace {

void Place(QWidget* widget, const ScreenRect& rect) {
  widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
  widget->show();
}

void PlaceOrHide(QWidget* widget, const std::optional<ScreenRect>& rect) {
  if (rect) {
    Place(widget, *rect);
  } else {
    widget->hide();
  }
}

void Fill(QListWidget* list, const std::vector<std::string>& rows, int selected) {
  list->clear();
  for (const std::string& row : rows) list->addItem(QString::fromStdString(row));
  list->setCurrentRow(selected);
}

}  // namespace

CameraFormatWindow::CameraFormatWindow(CameraFormatModel& model, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      model_(model) {
  setObjectName(QStringLiteral("DeviceFormat"));
  setWindowTitle(QString::fromLatin1(kCameraFormatTitleSuffix));
  qt::UseToolWindowColours(this);
  // Group boxes first, so the controls inside are drawn over them.
  properties_box_ = new QGroupBox(QStringLiteral("Video Proc Properties"), this);
  media_box_ = new QGroupBox(QStringLiteral("Video Media"), this);
  analog_box_ = new QGroupBox(this);
  auto_detect_ = new QCheckBox(QStringLiteral(" Auto Detect"), this);
  rate_label_ = new QLabel(QStringLiteral("Frame Rate:"), this);
  size_label_ = new QLabel(QStringLiteral("Frame Size:"), this);
  rates_ = new QListWidget(this);
  sizes_ = new QListWidget(this);
  digital_ = new QLabel(QStringLiteral("Digital"), this);
  subtype_label_ = new QLabel(QStringLiteral("Media subtype:"), this);
  subtype_ = new QLineEdit(this);
  subtype_->setReadOnly(true);
  ntsc_ = new QRadioButton(QStringLiteral("NTSC"), this);
  pal_ = new QRadioButton(QStringLiteral("PAL"), this);
  // The logic decides which standard is checked.
  ntsc_->setAutoExclusive(false);
  pal_->setAutoExclusive(false);
  for (std::size_t i = 0; i < kDevicePropertyCount; ++i) {
    labels_[i] = new QLabel(QString::fromLatin1(kPropertyLabels[i]), this);
    labels_[i]->setAlignment(Qt::AlignRight | Qt::AlignTop);
    sliders_[i] = new QSlider(Qt::Horizontal, this);
    sliders_[i]->setTickPosition(QSlider::TicksAbove);
    qt::ShowValueWhileDragging(sliders_[i]);
    connect(sliders_[i], &QSlider::valueChanged, this, [this, i](int position) {
      if (filling_) return;
      const std::int32_t taken = model_.MoveSlider(i, position);
      if (taken != position && sliders_[i]->minimum() <= taken && taken <= sliders_[i]->maximum()) {
        const QSignalBlocker quiet(sliders_[i]);
        sliders_[i]->setValue(taken);
      }
    });
  }
  defaults_ = new QPushButton(QStringLiteral("Set Default Values"), this);
  save_ = new QCheckBox(QStringLiteral(" Save Device Configuration"), this);
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);

  connect(rates_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!filling_ && row >= 0) model_.SelectRate(row);
  });
  connect(sizes_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!filling_ && row >= 0) model_.SelectSize(row);
  });
  connect(auto_detect_, &QCheckBox::clicked, this,
          [this](bool ticked) { model_.SetAutoDetect(ticked); });
  connect(ntsc_, &QRadioButton::clicked, this,
          [this] { model_.ChooseStandard(AnalogFormat::NTSC); });
  connect(pal_, &QRadioButton::clicked, this, [this] { model_.ChooseStandard(AnalogFormat::PAL); });
  connect(defaults_, &QPushButton::clicked, this, [this] { model_.SetDefaultValues(); });
  connect(ok_, &QPushButton::clicked, this, [this] { model_.Ok(save_->isChecked()); });
  connect(cancel_, &QPushButton::clicked, this, [this] { model_.Cancel(); });
}

void CameraFormatWindow::ShowCameraFormat(const CameraFormatPresentation& shown) {
  filling_ = true;
  const CameraFormatLayout& layout = shown.layout;
  setWindowTitle(QString::fromStdString(shown.title));
  setFixedSize(qt::ToolWindowClientSize(layout.window.width, layout.window.height));
  Place(properties_box_, layout.properties_box);
  Place(media_box_, layout.media_box);
  PlaceOrHide(digital_, layout.digital_label);
  PlaceOrHide(auto_detect_, layout.auto_detect);
  PlaceOrHide(analog_box_, layout.analog_box);
  PlaceOrHide(ntsc_, layout.ntsc);
  PlaceOrHide(pal_, layout.pal);
  auto_detect_->setChecked(shown.auto_detect_checked);
  ntsc_->setChecked(shown.ntsc_checked);
  pal_->setChecked(shown.pal_checked);
  ntsc_->setEnabled(shown.standard_buttons_enabled);
  pal_->setEnabled(shown.standard_buttons_enabled);
  Place(rate_label_, layout.rate_label);
  Place(rates_, layout.rate_list);
  Place(size_label_, layout.size_label);
  Place(sizes_, layout.size_list);
  Place(subtype_label_, layout.subtype_label);
  Place(subtype_, layout.subtype_field);
  Fill(rates_, shown.rates, shown.selected_rate);
  Fill(sizes_, shown.sizes, shown.selected_size);
  subtype_->setText(QString::fromStdString(shown.subtype));
  for (std::size_t i = 0; i < kDevicePropertyCount; ++i) {
    PlaceOrHide(labels_[i], layout.property_labels[i]);
    PlaceOrHide(sliders_[i], layout.sliders[i]);
    if (const auto& state = shown.sliders[i]) {
      sliders_[i]->setRange(state->minimum, state->maximum);
      sliders_[i]->setTickInterval(state->tick_frequency);
      sliders_[i]->setPageStep(state->tick_frequency);
      sliders_[i]->setValue(state->position);
    }
  }
  Place(defaults_, layout.defaults_button);
  Place(save_, layout.save_box);
  Place(ok_, layout.ok);
  Place(cancel_, layout.cancel);
  // Laid out anew for this device, also while shown: its texts in the font in use.
  qt::FitWindowToTexts(this);
  filling_ = false;
  show();
  raise();
}

void CameraFormatWindow::closeEvent(QCloseEvent* event) {
  // Closing is Cancel; the logic hides the window.
  event->ignore();
  model_.Cancel();
}

}  // namespace vesk
