// The Video Input Device and camera format windows on the offscreen platform, opened from
// the station's menu: their controls act on the devices and the live video.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "capture/camera_format_window.h"
#include "capture/device_selection_window.h"
#include "station/user_messages_window.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

class DeviceWindowsUiTest : public testing::StationWindowTest {
 protected:
  void AddDevices() {
    AddDevice();
    auto& filter = *media.devices.back()->filter;
    filter.proc_amp = std::make_unique<testing::FakeProcAmp>();
    filter.proc_amp->ranges[ProcAmpProperty::Brightness] = {0, 255, 1, 128, 0};
    filter.proc_amp->values[ProcAmpProperty::Brightness] = 90;
    media.AddDevice("Webcam", {testing::MakeVideoType(SubtypeCode::YUY2, 640, 480, 333333)});
    Start();
    MainAction(MenuCommand::SelectVideoInputDevice)->trigger();
  }
  bool Logged(const char* text) {
    return windows.user_messages_window()->ShownText().contains(QString::fromLatin1(text).trimmed());
  }
  void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
};

TEST_F(DeviceWindowsUiTest, DeviceWindowSwitchesTheDeviceAndCancelPutsItBack) {
  AddDevices();
  DeviceSelectionWindow* window = windows.device_window();
  ASSERT_TRUE(window->isVisible());
  ASSERT_EQ(window->devices()->count(), 2);
  EXPECT_EQ(window->devices()->currentRow(), 0);
  const int runs = Runs();
  window->devices()->setCurrentRow(1);
  EXPECT_EQ(station->sources().CurrentSourceIndex(), 1u);
  EXPECT_GT(Runs(), runs);
  Click(window->button(DeviceWindowControl::Ignore));
  EXPECT_EQ(window->ignored_devices()->count(), 1);
  EXPECT_EQ(station->sources().CurrentSourceIndex(), 0u);
  Click(window->button(DeviceWindowControl::Cancel));
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(station->sources().Source(1)->is_ignored);
  EXPECT_TRUE(Logged(kDevicesRestoredText));
}

TEST_F(DeviceWindowsUiTest, CameraFormatWindowActsOnTheDeviceAndSaves) {
  AddDevices();
  Click(windows.device_window()->button(DeviceWindowControl::SetProperties));
  CameraFormatWindow* window = windows.camera_format_window();
  ASSERT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("USB2.0 Grabber Properties"));
  EXPECT_FALSE(window->digital_label()->isHidden());
  EXPECT_TRUE(window->ntsc()->isHidden());
  EXPECT_TRUE(window->slider(1)->isHidden());
  EXPECT_EQ(window->subtype()->text(), QStringLiteral("YUY2"));
  window->slider(0)->setValue(200);
  auto& proc_amp = *media.devices.front()->filter->proc_amp;
  EXPECT_EQ(proc_amp.values[ProcAmpProperty::Brightness], 200);
  Click(window->cancel_button());
  EXPECT_EQ(proc_amp.values[ProcAmpProperty::Brightness], 90);
  EXPECT_TRUE(Logged(kDevicePropertiesRestoredText));

  Click(windows.device_window()->button(DeviceWindowControl::SetProperties));
  window->slider(0)->setValue(150);
  window->save_box()->setChecked(true);
  Click(window->ok_button());
  EXPECT_FALSE(window->isVisible());
  Options saved;
  std::vector<VideoConfiguration> configurations;
  ASSERT_TRUE(LoadOptions({"NONE", "VESK Test Codec"}, station->log(), &saved, &configurations));
  ASSERT_EQ(configurations.size(), 1u);
  EXPECT_EQ(configurations[0].device_name, "USB2.0 Grabber");
}

}  // namespace
}  // namespace vesk
