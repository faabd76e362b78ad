#include "playback/playback_window.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QMetaObject>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include "platform/qt/frame_image.h"
#include "platform/qt/slider_value_tip.h"

namespace vesk {
namespace {

// The picture sits this far in from the pane's left and top; the pane is the video's size
// + 5, as the window around it is sized.
constexpr int kVideoMargin = 3;
constexpr int kPaneExtra = 5;

struct ButtonLook {
  int x;
  const char* caption;
  const char* icon;
};
// "Forward" is spelled right here; the documented caption's typo is not kept.
constexpr ButtonLook kButtons[] = {
    {3, "Start\nPlayback", "start64x.ico"},   {106, "Pause", "pause64x.ico"},
    {209, "Beginning\nof File", "beginFile64x.ico"},
    {312, "Back One\nFrame", "backOneFrame64x.ico"},
    {415, "Forward\nOne Frame", "forwardOneFrame64x.ico"},
    {518, "End of\nFile", "endFile64x.ico"},
};

}  // namespace

PlaybackVideoPane::PlaybackVideoPane(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("VESK_VideoCaptureClip"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlaybackVideoPane::PresentFrame(const VideoFrame& frame, const VideoRect&, bool) {
  if (!qt::IsCopyableFrame(frame)) return;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    qt::CopyFrameToImage(frame, &image_);
  }
  ++frames_received_;
  if (!repaint_queued_.exchange(true)) {
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
  }
}

void PlaybackVideoPane::Clear() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    image_ = QImage();
  }
  update();
}

bool PlaybackVideoPane::HasPicture() {
  std::lock_guard<std::mutex> hold(mutex_);
  return !image_.isNull();
}

void PlaybackVideoPane::paintEvent(QPaintEvent*) {
  repaint_queued_ = false;
  QPainter painter(this);
  painter.fillRect(rect(), QColor(128, 128, 128));
  std::lock_guard<std::mutex> hold(mutex_);
  if (!image_.isNull()) painter.drawImage(QPoint(kVideoMargin, kVideoMargin), image_);
}

PlaybackWindow::PlaybackWindow(PlaybackMedia& media, MessageLog& log,
                               PlaybackWindowActions& observer)
    : QWidget(nullptr, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      media_(media),
      player_(media, *this, log),
      observer_(observer) {
  setObjectName(QStringLiteral("VESK_VideoCapturePlayback"));
  setWindowTitle(QStringLiteral("VESK Video Capture AVI Playback"));
  setGeometry(100, 100, 660, 540);
  auto* bar = new QMenuBar(this);
  QMenu* file = bar->addMenu(QStringLiteral("File"));
  const char* texts[] = {"Open", "Close", "Information", "Exit"};
  for (std::size_t i = 0; i < actions_.size(); ++i) actions_[i] = file->addAction(texts[i]);
  connect(actions_[0], &QAction::triggered, this, [this] { OpenFromMenu(); });
  connect(actions_[1], &QAction::triggered, this, [this] { player_.Close(); });
  connect(actions_[2], &QAction::triggered, this, [this] { player_.ReportInformation(); });
  connect(actions_[3], &QAction::triggered, this, [this] { Exit(); });
  // A video larger than the work area scrolls.
  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("VeskVideoPlaybackScrollWindow"));
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setWidgetResizable(true);
  pane_ = new PlaybackVideoPane(nullptr);
  pane_->setMinimumSize(646, 486);
  scroll_->setWidget(pane_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(bar);
  layout->addWidget(scroll_);
  controls_ = std::make_unique<PlaybackControlsWindow>(player_);
  // The slider follows the graph while playing, on the UI thread.
  position_timer_.setInterval(1000);
  connect(&position_timer_, &QTimer::timeout, this, [this] { player_.PositionTick(); });
  media_.SetEndOfStreamHandler([this](bool failed) {
    QMetaObject::invokeMethod(this, [this, failed] { player_.EndOfStream(failed); },
                              Qt::QueuedConnection);
  });
  player_.Close();  // NoFile: every control off
}

PlaybackWindow::~PlaybackWindow() {
  media_.SetEndOfStreamHandler(nullptr);
  media_.Close();
}

bool PlaybackWindow::OpenFromMenu() {
  const std::string path = observer_.ChoosePlaybackFile();
  show();
  return !path.empty() && OpenFile(path);
}

bool PlaybackWindow::OpenFile(const std::string& path) {
  std::unique_ptr<AviFileAccess> file = observer_.OpenPlaybackFile(path);
  if (file == nullptr) {
    player_.Close();
    return false;
  }
  if (!player_.Open(path, *file, pane_)) return false;
  show();
  controls_->show();
  if (player_.OffersRepairedCopy()) {
    const std::string copy = observer_.ChooseRepairCopy(path);
    if (!copy.empty()) observer_.WriteRepairCopy(path, copy);
  }
  return true;
}

bool PlaybackWindow::HideForRecording() {
  if (!player_.PauseForRecording()) return false;
  hide();
  controls_->hide();
  return true;
}

void PlaybackWindow::ShowAfterRecording() {
  show();
  controls_->show();
}

void PlaybackWindow::ShowSlider(std::int64_t last_position, std::int64_t position) {
  QSlider* slider = controls_ ? controls_->slider() : nullptr;
  if (slider == nullptr) return;
  const QSignalBlocker quiet(slider);
  slider->setRange(0, static_cast<int>(last_position));
  slider->setValue(static_cast<int>(position));
}

void PlaybackWindow::ShowEnabling(const PlaybackEnabling& e) {
  if (!controls_) return;
  const bool buttons[] = {e.start, e.pause, e.beginning, e.back, e.forward, e.end};
  for (int i = 0; i < 6; ++i) controls_->button(i)->setEnabled(buttons[i]);
  controls_->slider()->setEnabled(e.slider);
  actions_[0]->setEnabled(e.open);
  actions_[1]->setEnabled(e.close);
  actions_[2]->setEnabled(e.information);
  // The position timer runs only while playing.
  if (player_.timer_running()) {
    if (!position_timer_.isActive()) position_timer_.start();
  } else {
    position_timer_.stop();
  }
}

void PlaybackWindow::ShowVideoSize(std::uint32_t width, std::uint32_t height) {
  if (width == 0 || height == 0) {
    video_size_ = QSize();
    pane_->Clear();
    return;
  }
  video_size_ = QSize(static_cast<int>(width), static_cast<int>(height));
  pane_->setMinimumSize(video_size_.width() + kPaneExtra, video_size_.height() + kPaneExtra);
  pane_->resize(pane_->minimumSize().expandedTo(scroll_->viewport()->size()));
}

void PlaybackWindow::ShowPosition(const std::string& text) {
  if (controls_) controls_->position_label()->setText(QString::fromStdString(text));
}

void PlaybackWindow::Exit() {
  player_.Close();
  hide();
  controls_->hide();
  observer_.PlaybackExited();
}

void PlaybackWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  Exit();
}

PlaybackControlsWindow::PlaybackControlsWindow(PlaybackPlayer& player)
    : QWidget(nullptr, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint) {
  setObjectName(QStringLiteral("PlaybackControlsWindow"));
  setWindowTitle(QStringLiteral("Playback"));
  setGeometry(150, 150, 636, 210);
  const std::function<void()> actions[] = {
      [&player] { player.StartPlayback(); },   [&player] { player.Pause(); },
      [&player] { player.BeginningOfFile(); }, [&player] { player.BackOneFrame(); },
      [&player] { player.ForwardOneFrame(); }, [&player] { player.EndOfFile(); },
  };
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    const ButtonLook& look = kButtons[i];
    // The caption under the icon, as a square button has room for both.
    buttons_[i] = new QToolButton(this);
    buttons_[i]->setIcon(QIcon(QStringLiteral("VeskVideoIcons/") + look.icon));
    buttons_[i]->setText(QString::fromLatin1(look.caption));
    buttons_[i]->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    buttons_[i]->setGeometry(look.x, 3, 100, 100);
    buttons_[i]->setIconSize(QSize(48, 48));
    connect(buttons_[i], &QToolButton::clicked, this, actions[i]);
  }
  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setGeometry(3, 106, 614, 60);
  slider_->setTickPosition(QSlider::TicksAbove);
  slider_->setPageStep(1);
  // A step, a page or a released thumb seeks; dragging alone does not.
  slider_->setTracking(false);
  connect(slider_, &QSlider::valueChanged, this, [&player](int value) { player.SeekTo(value); });
  // While the thumb is dragged, the frame under it: its number at the handle, and below the
  // slider with its time.
  qt::ShowValueWhileDragging(slider_);
  position_ = new QLabel(this);
  position_->setGeometry(3, 168, 614, 22);
  connect(slider_, &QSlider::sliderMoved, this, [this, &player](int value) {
    position_->setText(QString::fromStdString(player.PositionText(value)));
  });
}

void PlaybackControlsWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace vesk
