#include "station/power_countdown_window.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <utility>

#include "events/power_action.h"
#include "station/station_resources.h"

namespace vesk {
namespace {

// The dialog's own face: Tahoma 12 points (16 pixels on a 96-dpi screen).
constexpr int kDialogFontPixels = 16;

// The dialog is laid out in dialog units: a quarter of the font's average character width
// across, an eighth of its height down.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) : metrics_(font) {}
  QRect Rect(int x, int y, int width, int height) const {
    return {X(x), Y(y), X(width), Y(height)};
  }
  int X(int units) const { return units * metrics_.averageCharWidth() / 4; }
  int Y(int units) const { return units * metrics_.height() / 8; }

 private:
  QFontMetrics metrics_;
};

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, const QRect& rect,
                  Qt::Alignment alignment) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(rect);
  label->setAlignment(alignment);
  return label;
}

}  // namespace

PowerCountdownWindow::PowerCountdownWindow(PowerActionKind kind, const QFont& time_font,
                                           std::function<void(PowerCountdownResult)> done,
                                           QWidget* parent)
    : QDialog(parent), seconds_(kPowerCountdownSeconds), done_(std::move(done)) {
  setObjectName(QStringLiteral("PowerCountdownDialog"));
  const PowerCountdownTexts texts = PowerCountdownTextsFor(kind);
  setWindowTitle(QString::fromLatin1(texts.title));
  setModal(true);
  QFont dialog_font;
  if (!qt::MakeStationFont(FontRequest{kDialogFontPixels, FontFace::Tahoma, std::nullopt},
                           &dialog_font)) {
    dialog_font = font();
  }
  setFont(dialog_font);
  const DialogUnits units(dialog_font);
  setFixedSize(units.X(175), units.Y(101));

  const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
  MakeLabel(this, "BeforeTime", texts.before_time, units.Rect(30, 28, 42, 8), left);
  time_ = MakeLabel(this, "Time", FormatCountdownSeconds(seconds_).c_str(),
                    units.Rect(76, 21, 20, 21), Qt::AlignCenter);
  time_->setFont(time_font);
  MakeLabel(this, "AfterTime", texts.after_time, units.Rect(103, 28, 26, 8), left);
  MakeLabel(this, "Unless", texts.unless, units.Rect(28, 42, 113, 8), left);
  cancel_ = new QPushButton(QString::fromLatin1(texts.button), this);
  cancel_->setObjectName(QStringLiteral("Cancel"));
  cancel_->setGeometry(units.Rect(55, 81, 67, 14));
  cancel_->setDefault(true);
  connect(cancel_, &QPushButton::clicked, this, [this] { End(PowerCountdownResult::Cancelled); });

  timer_ = new QTimer(this);
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, &PowerCountdownWindow::Tick);
}

void PowerCountdownWindow::Start() {
  show();
  raise();
  activateWindow();
  timer_->start();
}

void PowerCountdownWindow::Tick() {
  if (!done_) return;
  if (--seconds_ > 0) {
    time_->setText(QString::fromStdString(FormatCountdownSeconds(seconds_)));
  } else {
    End(PowerCountdownResult::TimedOut);
  }
}

void PowerCountdownWindow::End(PowerCountdownResult result) {
  if (!done_) return;
  timer_->stop();
  std::function<void(PowerCountdownResult)> done = std::move(done_);
  done_ = nullptr;
  hide();
  done(result);
}

void PowerCountdownWindow::closeEvent(QCloseEvent* event) {
  End(PowerCountdownResult::Closed);
  event->accept();
}

// Escape: a key meant to dismiss must not hibernate or power off the computer at once.
void PowerCountdownWindow::reject() { End(PowerCountdownResult::Cancelled); }

}  // namespace vesk
