#include "app/qt_station_windows.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <sstream>

#include "analysis/frame_integration_window.h"
#include "app/avi_tool_files.h"
#include "analysis/pixel_saturation_window.h"
#include "capture/camera_format_window.h"
#include "capture/codec_selector_window.h"
#include "capture/device_selection_window.h"
#include "config/default_duration_window.h"
#include "config/event_pending_window.h"
#include "config/miscellaneous_options_window.h"
#include "config/performance_window.h"
#include "gps/gps_window.h"
#include "events/event_list_window.h"
#include "events/file_options_window.h"
#include "events/schedule_event_window.h"
#include "platform/gst/gst_playback_graph.h"
#include "platform/linux/posix_avi_file.h"
#include "platform/qt/qt_message_box.h"
#include "platform/qt/text_fit.h"
#include "playback/playback_window.h"
#include "station/brightness_contrast_window.h"
#include "station/countdown_window.h"
#include "station/inserter_window.h"
#include "station/main_window.h"
#include "station/power_countdown_window.h"
#include "station/record_controls_window.h"
#include "station/standby_window.h"
#include "station/station_resources.h"
#include "station/user_messages_window.h"
#include "station/video_record_window.h"

namespace vesk::qt {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The frame the window manager puts around a top-level window. A window keeps the frame it
// was last shown with, also while hidden; one never shown has none yet (a window manager
// frames a window when it is first mapped), and the frame last seen on another window stands
// in. The platform window is never created here: one created before it is shown would be
// placed by its client area, not by its frame.
QMargins FrameMargins(QWidget* window, bool* known = nullptr) {
  static QMargins last_seen;
  const QRect frame = window->frameGeometry();
  const QRect inner = window->geometry();
  const QMargins seen(inner.left() - frame.left(), inner.top() - frame.top(),
                      frame.right() - inner.right(), frame.bottom() - inner.bottom());
  // A window just shown may not be framed yet either; without a window manager frames stay
  // unknown and the last seen (none) stands in.
  if (known != nullptr) *known = !seen.isNull();
  if (seen.isNull()) return last_seen;
  last_seen = seen;
  return seen;
}

QSize FrameExtra(QWidget* window, bool* known = nullptr) {
  const QMargins margins = FrameMargins(window, known);
  return {margins.left() + margins.right(), margins.top() + margins.bottom()};
}

// Puts a window placed before its frame was known where it was asked to be once the window
// manager has framed it: the frame, not the client, at the point and of the size asked for.
// The framing itself sends the window no event, so it is looked for after the window is shown.
// One-shot.
class FramedPlacementFinisher final : public QObject {
 public:
  static constexpr const char* kName = "FramedPlacementFinisher";
  FramedPlacementFinisher(QWidget* window, QRect outer, bool sized, std::function<void()> then)
      : QObject(window), window_(window), outer_(outer), sized_(sized), then_(std::move(then)) {
    setObjectName(QString::fromLatin1(kName));
    window->installEventFilter(this);
    if (window->isVisible()) StartLooking();
  }

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show && polls_left_ == 0) StartLooking();
    return false;
  }

 private:
  // For two seconds at most: a desktop without a window manager never frames it.
  void StartLooking() {
    polls_left_ = 200;
    QTimer::singleShot(10, this, [this] { Check(); });
  }

  void Check() {
    QWidget* window = window_;
    if (!window->isVisible() || --polls_left_ <= 0) {
      polls_left_ = 0;
      return;
    }
    if (window->frameGeometry() == window->geometry()) {
      QTimer::singleShot(10, this, [this] { Check(); });
      return;
    }
    // Done with: the moves below may place the window again, which must not find this one.
    window->removeEventFilter(this);
    setObjectName(QString());
    deleteLater();
    const QRect outer = outer_;
    if (sized_) {
      const QSize extra = FrameExtra(window);
      window->resize(std::max(1, outer.width() - extra.width()),
                     std::max(1, outer.height() - extra.height()));
    }
    if (window->frameGeometry().topLeft() != outer.topLeft()) window->move(outer.topLeft());
    if (then_) QMetaObject::invokeMethod(window, then_, Qt::QueuedConnection);
  }

  QWidget* window_;
  QRect outer_;
  bool sized_;
  std::function<void()> then_;
  int polls_left_ = 0;
};

// Moves and sizes a top-level window by its outer rectangle (the frame's, as the layout and
// the options keep it). Windows whose size the layout does not set (sized false), and those
// of fixed size, only move. The point stored and the point applied are both the frame's
// top-left corner. then runs once a window placed before its frame was known has been framed.
void PlaceTopLevel(QWidget* window, const ScreenRect& outer, bool sized,
                   std::function<void()> then = {}) {
  sized = sized && window->minimumSize() != window->maximumSize();
  delete window->findChild<QObject*>(QString::fromLatin1(FramedPlacementFinisher::kName),
                                     Qt::FindDirectChildrenOnly);
  bool frame_known = true;
  const QMargins margins = FrameMargins(window, &frame_known);
  QSize client = window->size();
  if (sized) {
    client = QSize(std::max(1, outer.width - margins.left() - margins.right()),
                   std::max(1, outer.height - margins.top() - margins.bottom()));
  }
  if ((frame_known && window->isVisible()) || window->windowHandle() == nullptr) {
    // Qt places a framed window, and one not created yet, by its frame.
    window->resize(client);
    window->move(outer.x, outer.y);
  } else {
    // Otherwise the platform window goes where its client area is asked to be: inside the
    // frame it has or (as far as known) will get.
    window->setGeometry(outer.x + margins.left(), outer.y + margins.top(), client.width(),
                        client.height());
  }
  // Laid out while hidden, a window may measure itself otherwise once shown and framed.
  if (!frame_known || (then && !window->isVisible())) {
    new FramedPlacementFinisher(window, QRect(outer.x, outer.y, outer.width, outer.height), sized,
                                std::move(then));
  }
}

// The outer rectangle, also of a window not shown yet.
ScreenRect OuterRect(QWidget* window) {
  const QSize extra = FrameExtra(window);
  return ScreenRect{window->x(), window->y(), window->width() + extra.width(),
                    window->height() + extra.height()};
}

}  // namespace

// What the windows report (menus, buttons, close boxes) and ask (the playback files), passed
// on to the station once it is known.
class QtStationWindows::Actions final : public MainWindowActions,
                                        public PlaybackWindowActions,
                                        public RecordControlsActions,
                                        public BrightnessContrastActions,
                                        public InserterWindowActions,
                                        public UserMessagesActions,
                                        public GpsWindowActions {
 public:
  explicit Actions(QtStationWindows& windows) : windows_(windows) {}

  void OnMenuCommand(int identifier) override {
    if (AppState* station = windows_.station_) station->RunCommandId(identifier);
  }
  void OnMainWindowClose() override {
    if (AppState* station = windows_.station_) station->Exit();
  }
  void OnMainWindowResized() override {
    if (AppState* station = windows_.station_) station->MainWindowResized();
  }

  void OnStartButton() override {
    if (AppState* station = windows_.station_) station->StartButton();
  }
  void OnStopButton() override {
    if (AppState* station = windows_.station_) station->StopButton();
  }

  void OnPictureSliderMoved(PictureSlider which, int position) override {
    if (AppState* station = windows_.station_) {
      station->ColourSliderMoved(which == PictureSlider::Brightness, position);
    }
  }
  void OnBrightnessContrastClosed() override {
    if (AppState* station = windows_.station_) station->CloseBrightnessContrast();
  }

  void OnSaveMessages(bool clear) override {
    if (AppState* station = windows_.station_) station->SaveMessages(clear);
  }
  void OnGpsWindowClosed() override {
    AppState* station = windows_.station_;
    if (station != nullptr && station->gps() != nullptr) station->gps()->CloseWindow();
  }
  void OnInserterSaveFailed(const std::string& error) override {
    if (AppState* station = windows_.station_) station->log().ReportMessage(error + "\r\n", true);
  }

  std::unique_ptr<AviFileAccess> OpenPlaybackFile(const std::string& path) override {
    auto file = std::make_unique<PosixAviFile>(path, false);
    if (!file->is_open()) return nullptr;
    return file;
  }
  std::string ChoosePlaybackFile() override {
    if (windows_.choose_playback_file_) return windows_.choose_playback_file_();
    // SER recordings play too; their filter follows the documented one.
    return QFileDialog::getOpenFileName(
               nullptr, QString(), QString(),
               QStringLiteral("Audio Video Interleave (*.avi);;SER (*.ser);;"
                              "AVI and SER (*.avi *.ser)"))
        .toStdString();
  }
  // A recording found without its index: a repaired copy is offered, the file itself kept.
  std::string ChooseRepairCopy(const std::string& path) override {
    QWidget* parent = windows_.playback_.get();
    const QMessageBox::StandardButton answer = QMessageBox::question(
        parent, QStringLiteral("Repaired copy"),
        QStringLiteral("The index of this recording was rebuilt from the frames found.\n"
                       "Write a repaired copy with a complete index?\n"
                       "The recording itself is not changed."));
    if (answer != QMessageBox::Yes) return {};
    const std::string stem =
        path.size() > 4 && path.ends_with(".avi") ? path.substr(0, path.size() - 4) : path;
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Repaired copy"),
                                        QString::fromStdString(stem + "_repaired.avi"),
                                        QStringLiteral("Audio Video Interleave (*.avi)"))
        .toStdString();
  }
  void WriteRepairCopy(const std::string& path, const std::string& copy) override {
    std::ostringstream out, err;
    RunRepairAvi(path, copy, PosixAviFileSystem(), out, err);
    for (const std::string& text : {out.str(), err.str()}) {
      if (!text.empty()) windows_.station_->log().ReportMessage(text, true);
    }
  }
  void PlaybackExited() override {
    if (AppState* station = windows_.station_) station->PlaybackClosed();
  }

 private:
  QtStationWindows& windows_;
};

QtStationWindows::QtStationWindows()
    : actions_(std::make_unique<Actions>(*this)), on_quit_([] { QCoreApplication::quit(); }) {}

QtStationWindows::~QtStationWindows() = default;

QWidget* QtStationWindows::WidgetOf(WindowId window) const {
  switch (window) {
    case WindowId::Main:
      return main_.get();
    case WindowId::UserMessages:
      return user_messages_.get();
    case WindowId::RecordControls:
      return record_controls_.get();
    case WindowId::Countdown:
      return countdown_.get();
    case WindowId::BrightnessContrast:
      return brightness_.get();
    case WindowId::StandBy:
      return standby_.get();
    case WindowId::PixelSaturation:
      return pixel_saturation_.get();
    case WindowId::FrameIntegration:
      return frame_integration_.get();
    case WindowId::Gps:
      return gps_.get();
    case WindowId::Playback:
      return playback_.get();
    case WindowId::PlaybackControls:
      return playback_ ? &playback_->controls() : nullptr;
    case WindowId::MiscellaneousOptions:
      return misc_options_.get();
    case WindowId::ScheduleEvent:
      return schedule_event_.get();
    case WindowId::ViewEvents:
      return event_list_.get();
    case WindowId::Devices:
      return device_window_.get();
    case WindowId::CameraFormat:
      return camera_format_window_.get();
    default:
      return nullptr;
  }
}

std::optional<ScreenRect> QtStationWindows::CurrentWindowRect(WindowId window) {
  QWidget* widget = WidgetOf(window);
  if (widget == nullptr) return std::nullopt;
  if (widget->isMinimized()) return MinimisedRect();
  // Placed at the size it will be shown at: its texts fitted.
  FitWindowToTexts(widget);
  return OuterRect(widget);
}

void QtStationWindows::ApplyWindowPosition(WindowId window, const PositionResult& result) {
  QWidget* widget = WidgetOf(window);
  if (widget == nullptr) return;
  // The layout keeps windows on the work area by their frames, which the desktop may give
  // only once a window is shown.
  // The layout sizes the main, User Messages and playback windows; the others keep theirs.
  const bool sized = window == WindowId::Main || window == WindowId::UserMessages ||
                     window == WindowId::Playback;
  PlaceTopLevel(widget, result.window, sized, [this, window] {
    if (station_ != nullptr) station_->WindowFramed(window);
  });
  if (window == WindowId::Main && result.content) {
    const ScreenRect& c = result.content->container;
    main_->PutVideoInScrollContainer(result.content->parent == VideoDisplayParent::ScrollContainer,
                                     QRect(c.x, c.y, c.width, c.height));
  }
}

bool QtStationWindows::CreateMainWindow() {
  record_controls_.reset();  // a tool window of the main window goes with it
  main_ = std::make_unique<MainWindow>();
  main_->set_actions(actions_.get());
  GiveIcons(main_.get());
  return true;
}

bool QtStationWindows::CreateVideoRecordWindow() {
  if (!main_) return false;
  video_ = new VideoRecordWindow();
  main_->AttachVideoWindow(video_);
  video_->hide();
  return true;
}

DisplayWindow QtStationWindows::VideoDisplayWindow() {
  VideoFrameTarget* target = video_;
  return DisplayWindowOf(target);
}

void QtStationWindows::LoadIcons() {
  for (std::size_t i = 0; i < icons_.size(); ++i) {
    icons_[i] = LoadStationIcon(static_cast<StationIcon>(i));
  }
}

void QtStationWindows::GiveIcons(QWidget* window) const {
  QIcon icon;
  for (StationIcon which : {StationIcon::LogoLarge, StationIcon::LogoSmall}) {
    const QIcon& loaded = icons_[static_cast<std::size_t>(which)];
    for (const QSize& size : loaded.availableSizes()) icon.addPixmap(loaded.pixmap(size));
  }
  if (!icon.isNull()) window->setWindowIcon(icon);
}

MessageView* QtStationWindows::CreateUserMessagesWindow(const WindowPlacement& placement) {
  user_messages_ = std::make_unique<UserMessagesWindow>();
  // The saved placement is the frame's, as "Set Window Positions" stores it.
  PlaceTopLevel(user_messages_.get(),
                ScreenRect{placement.x, placement.y, placement.width, placement.height}, true);
  user_messages_->set_actions(actions_.get());
  GiveIcons(user_messages_.get());
  return user_messages_.get();
}

bool QtStationWindows::CreateFont(const FontRequest& request) {
  QFont font;
  if (!MakeStationFont(request, &font)) return false;
  fonts_[{request.height, request.face}] = font;
  return true;
}

QFont QtStationWindows::Font(int height, FontFace face) const {
  const auto found = fonts_.find({height, face});
  if (found != fonts_.end()) return found->second;
  QFont fallback;
  fallback.setPixelSize(height);
  return fallback;
}

void QtStationWindows::CreateStandByWindow() {
  standby_ = std::make_unique<StandByWindow>(Font(16, FontFace::Consolas));
  standby_->hide();
}

void QtStationWindows::ShowStandByWindow(bool shown) {
  if (!standby_) return;
  standby_->setVisible(shown);
  if (shown) standby_->raise();
}

GpsWindowView* QtStationWindows::GpsView() { return gps_.get(); }

void QtStationWindows::HideGpsWindow() {
  if (gps_) gps_->hide();
}

bool QtStationWindows::CreateRecordControls(bool record_buttons_space) {
  // A tool window of the main window, so that the desktop keeps it above the video: a click
  // on the video must not bury the Stop button.
  record_controls_ = std::make_unique<RecordControlsWindow>(
      record_buttons_space, icon(StationIcon::Record), icon(StationIcon::Stop), main_.get());
  record_controls_->set_actions(actions_.get());
  GiveIcons(record_controls_.get());
  return true;
}

bool QtStationWindows::CreateScrollWindow() {
  return main_ && main_->CreateScrollContainer() != nullptr;
}

bool QtStationWindows::CreateToolWindows(AnalysisControls& analysis) {
  misc_options_.reset();  // made on first use for this station's options
  countdown_ =
      std::make_unique<CountdownWindow>(Font(72, FontFace::Tahoma), Font(18, FontFace::Consolas));
  countdown_->hide();
  brightness_ = std::make_unique<BrightnessContrastWindow>(Font(18, FontFace::Consolas));
  brightness_->set_actions(actions_.get());
  brightness_->hide();
  pixel_saturation_ = std::make_unique<PixelSaturationWindow>(analysis);
  pixel_saturation_->hide();
  frame_integration_ = std::make_unique<FrameIntegrationWindow>(analysis);
  frame_integration_->hide();
  gps_ = std::make_unique<GpsWindow>();
  gps_->set_actions(actions_.get());
  gps_->hide();
  // The playback windows exist from the start, so that they are placed where the options
  // keep them and "Set Window Positions" stores them.
  CreatePlaybackWindows();
  for (QWidget* window :
       {static_cast<QWidget*>(countdown_.get()), static_cast<QWidget*>(brightness_.get()),
        static_cast<QWidget*>(pixel_saturation_.get()),
        static_cast<QWidget*>(frame_integration_.get()), static_cast<QWidget*>(gps_.get())}) {
    GiveIcons(window);
  }
  return true;
}

bool QtStationWindows::CreateEventWindows(ScheduleEventModel& schedule, EventListModel& list) {
  schedule_event_ = std::make_unique<ScheduleEventWindow>(schedule, Font(18, FontFace::Tahoma),
                                                          Font(20, FontFace::Consolas),
                                                          Font(20, FontFace::Tahoma));
  schedule_event_->hide();
  schedule.set_view(schedule_event_.get());
  event_list_ = std::make_unique<EventListWindow>(list, Font(16, FontFace::Consolas),
                                                  Font(18, FontFace::Tahoma));
  event_list_->hide();
  list.set_view(event_list_.get());
  GiveIcons(schedule_event_.get());
  GiveIcons(event_list_.get());
  return true;
}

int QtStationWindows::RunFileOptionsDialog(FileOptionsModel& file_options) {
  FileOptionsWindow dialog(file_options, icon(StationIcon::Folder), icon(StationIcon::FolderClear),
                           main_.get());
  return dialog.Run();
}

int QtStationWindows::RunDefaultDurationDialog(DefaultDurationModel& model) {
  DefaultDurationDialog dialog(model, main_.get());
  GiveIcons(&dialog);
  return dialog.exec();
}

int QtStationWindows::RunEventPendingDialog(EventPendingModel& model) {
  EventPendingDialog dialog(model, main_.get());
  return dialog.exec();
}

int QtStationWindows::RunPerformanceDialog(PerformanceModel& model) {
  PerformanceDialog dialog(model, main_.get());
  return dialog.exec();
}

int QtStationWindows::RunCodecSelectorDialog(CodecSelectorModel& model) {
  CodecSelectorWindow dialog(model, main_.get());
  return dialog.exec();
}

void QtStationWindows::OpenMiscellaneousOptions(MiscellaneousOptionsModel& model) {
  if (!misc_options_) {
    misc_options_ = std::make_unique<MiscellaneousOptionsWindow>(model);
    // Made on first use, after start-up placed the others: it goes where it was saved.
    if (station_ != nullptr) {
      const std::optional<PixelPoint> saved =
          SavedWindowPosition(station_->options(), WindowId::MiscellaneousOptions);
      const ScreenRect outer = OuterRect(misc_options_.get());
      if (saved) {
        PlaceTopLevel(misc_options_.get(), {saved->x, saved->y, outer.width, outer.height}, false);
      }
    }
  }
  misc_options_->Open();
}

void QtStationWindows::CreateDeviceWindows(DeviceSelectionModel& devices,
                                           CameraFormatModel& format) {
  device_window_ = std::make_unique<DeviceSelectionWindow>(devices);
  camera_format_window_ = std::make_unique<CameraFormatWindow>(format);
  for (QWidget* window : {static_cast<QWidget*>(device_window_.get()),
                          static_cast<QWidget*>(camera_format_window_.get())}) {
    window->hide();
    GiveIcons(window);
  }
  devices.set_view(device_window_.get());
  format.set_view(camera_format_window_.get());
}

WorkArea QtStationWindows::ReadWorkArea() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  const QRect area = screen->availableGeometry();
  return WorkArea{area.x(), area.y(), area.x() + area.width(), area.y() + area.height()};
}

void QtStationWindows::MeasureMainWindow(PixelSize* outer, PixelSize* client) {
  const ScreenRect frame = OuterRect(main_.get());
  const QSize video = main_->VideoClientSize();
  *outer = PixelSize{frame.width, frame.height};
  *client = PixelSize{video.width(), video.height()};
}

void QtStationWindows::ApplyMenus(const MenuBars& bars) {
  if (main_) main_->ApplyMenus(bars.main);
  if (user_messages_) user_messages_->ApplyMenus(bars.user_messages);
}

void QtStationWindows::ShowVideoRecordWindow(bool shown) {
  if (video_ != nullptr) video_->setVisible(shown);
}

void QtStationWindows::HideScrollWindow() {
  // The video comes out first: hidden inside the container it would stay hidden.
  if (main_) main_->PutVideoInScrollContainer(false, QRect());
}

void QtStationWindows::ShowRecordControls(bool shown) {
  if (!record_controls_) return;
  // A tool window shown before its owner is on the screen is not kept above it by the
  // desktop: it waits for the main window.
  record_controls_wanted_ = shown;
  record_controls_->setVisible(shown && main_ && main_->isVisible());
}

void QtStationWindows::ShowUserMessagesWindow() {
  if (user_messages_) user_messages_->show();
}

void QtStationWindows::ShowMainWindow() {
  main_->show();
  if (record_controls_ && record_controls_wanted_) {
    record_controls_->show();
    record_controls_->raise();
  }
}

void QtStationWindows::HideWindow(WindowId window) {
  if (QWidget* widget = WidgetOf(window)) widget->hide();
}

void QtStationWindows::ShowBrightnessContrast(bool shown) {
  if (!brightness_) return;
  if (shown) {
    brightness_->show();
    brightness_->raise();
  } else {
    brightness_->ResetSliders();
    brightness_->hide();
  }
}

void QtStationWindows::OpenPixelSaturationWindow() {
  if (pixel_saturation_) pixel_saturation_->OpenFromMenu();
}

void QtStationWindows::OpenFrameIntegrationWindow() {
  if (frame_integration_) frame_integration_->OpenFromMenu();
}

void QtStationWindows::HideFrameIntegrationWindow() {
  if (frame_integration_) frame_integration_->hide();
}

void QtStationWindows::HidePixelSaturationWindow() {
  if (pixel_saturation_) pixel_saturation_->hide();
}

void QtStationWindows::set_station(AppState* station) {
  if (station != station_) inserter_.reset();
  station_ = station;
}

void QtStationWindows::OpenInserterWindow(InserterPort* port) {
  if (!inserter_ || inserter_->port() != port) {
    inserter_ = std::make_unique<InserterWindow>(port);
    inserter_->set_actions(actions_.get());
    GiveIcons(inserter_.get());
  }
  inserter_->show();
  inserter_->raise();
  inserter_->activateWindow();
}

void QtStationWindows::DestroyMainWindow() {
  // Hidden, not closed: closing an analysis window would switch its analysis off and
  // restart the video on the way out.
  for (QWidget* widget :
       {static_cast<QWidget*>(user_messages_.get()), static_cast<QWidget*>(record_controls_.get()),
        static_cast<QWidget*>(countdown_.get()), static_cast<QWidget*>(brightness_.get()),
        static_cast<QWidget*>(standby_.get()), static_cast<QWidget*>(pixel_saturation_.get()),
        static_cast<QWidget*>(frame_integration_.get()), static_cast<QWidget*>(gps_.get()),
        static_cast<QWidget*>(schedule_event_.get()), static_cast<QWidget*>(event_list_.get()),
        static_cast<QWidget*>(inserter_.get())}) {
    if (widget != nullptr) widget->hide();
  }
  if (main_) {
    // Hidden rather than closed: this may run inside the window's own close event.
    main_->AllowClose();
    main_->hide();
  }
  if (on_quit_) on_quit_();
}

void QtStationWindows::SetMainWindowTitle(std::string_view title) {
  if (main_) main_->setWindowTitle(ToQString(title));
}

void QtStationWindows::SetCountdownWindowTitle(std::string_view title) {
  if (countdown_) countdown_->setWindowTitle(ToQString(title));
}

void QtStationWindows::ShowCountdown(const CountdownTexts& texts) {
  if (!countdown_) return;
  countdown_->SetTexts(texts);
  countdown_->ShowCountdown();
  countdown_->raise();
}

void QtStationWindows::UpdateCountdown(const CountdownTexts& texts) {
  if (countdown_) countdown_->SetTexts(texts);
}

void QtStationWindows::HideCountdownWindow() {
  if (countdown_) countdown_->hide();
}

void QtStationWindows::EnableStartButton(bool enabled) {
  if (record_controls_) record_controls_->start_button()->setEnabled(enabled);
}

void QtStationWindows::EnableStopButton(bool enabled) {
  if (record_controls_) record_controls_->stop_button()->setEnabled(enabled);
}

void QtStationWindows::SizeVideoRecordWindow(int, int, int window_width, int window_height) {
  if (video_ == nullptr) return;
  video_->resize(window_width, window_height);
  video_->update();
  video_->show();
}

void QtStationWindows::ShowDisplayOff(bool off) {
  if (video_ != nullptr) video_->SetDisplayOff(off);
}

bool QtStationWindows::AskYesNo(std::string_view caption, std::string_view text) {
  return qt::AskYesNo(caption, text);
}

void QtStationWindows::StartPowerCountdown(PowerActionKind kind,
                                           std::function<void(PowerCountdownResult)> done) {
  // A finished dialog may still be inside its own handler: it goes once the loop is back.
  if (power_countdown_) power_countdown_.release()->deleteLater();
  power_countdown_ =
      std::make_unique<PowerCountdownWindow>(kind, Font(28, FontFace::Consolas), std::move(done));
  GiveIcons(power_countdown_.get());
  power_countdown_->Start();
}

void QtStationWindows::CancelPowerCountdown() {
  if (power_countdown_) power_countdown_->End(PowerCountdownResult::Cancelled);
}

bool QtStationWindows::CreatePlaybackWindows() {
  if (!playback_) {
    if (station_ == nullptr) return false;
    playback_media_ = std::make_unique<gst::GstPlaybackGraph>();
    playback_ = std::make_unique<PlaybackWindow>(*playback_media_, station_->log(), *actions_);
    GiveIcons(playback_.get());
    GiveIcons(&playback_->controls());
    playback_->hide();
    playback_->controls().hide();
  }
  return true;
}

bool QtStationWindows::OpenPlaybackFromMenu() {
  if (!CreatePlaybackWindows()) return false;
  const bool opened = playback_->OpenFromMenu();
  // The window takes its video's size, the controls clear of the picture.
  if (opened && station_ != nullptr) {
    const QSize video = playback_->video_size();
    station_->PlacePlaybackWindows(PixelSize{video.width(), video.height()});
  }
  return opened;
}

void QtStationWindows::ClosePlaybackForEvent() {
  if (playback_ && playback_->player().state() != PlaybackState::NoFile) playback_->Exit();
}

bool QtStationWindows::HidePlaybackWindows() {
  return playback_ && playback_->HideForRecording();
}

void QtStationWindows::ShowPlaybackWindows() {
  if (playback_) playback_->ShowAfterRecording();
}

}  // namespace vesk::qt
