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
  bool Logged(const char* text) {
    return windows.user_messages_window()->ShownText().contains(
        QString::fromLatin1(text).trimmed());
  }
  void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
};

TEST_F(DeviceWindowsUiTest, ControlsActOnTheDevicesAndCancelPutsThemBack) {
  AddDevice();
  auto& proc_amp =
      *(media.devices.back()->filter->proc_amp = std::make_unique<testing::FakeProcAmp>());
  proc_amp.ranges[ProcAmpProperty::Brightness] = {0, 255, 1, 128, 0};
  proc_amp.values[ProcAmpProperty::Brightness] = 90;
  media.AddDevice("Webcam", {testing::MakeVideoType(SubtypeCode::YUY2, 640, 480, 333333)});
  Start();
  MainAction(MenuCommand::SelectVideoInputDevice)->trigger();
  DeviceSelectionWindow* devices = windows.device_window();
  ASSERT_TRUE(devices->isVisible());
  ASSERT_EQ(devices->devices()->count(), 2);
  EXPECT_EQ(devices->devices()->currentRow(), 0);
  const int runs = Runs();
  devices->devices()->setCurrentRow(1);
  EXPECT_EQ(station->sources().CurrentSourceIndex(), 1u);
  EXPECT_GT(Runs(), runs);
  Click(devices->button(DeviceWindowControl::Ignore));
  EXPECT_EQ(devices->ignored_devices()->count(), 1);
  EXPECT_EQ(station->sources().CurrentSourceIndex(), 0u);
  Click(devices->button(DeviceWindowControl::Cancel));
  EXPECT_FALSE(devices->isVisible());
  EXPECT_FALSE(station->sources().Source(1)->is_ignored);
  EXPECT_TRUE(Logged(kDevicesRestoredText));

  // The camera format window of the device in use.
  MainAction(MenuCommand::SelectVideoInputDevice)->trigger();
  Click(devices->button(DeviceWindowControl::SetProperties));
  CameraFormatWindow* window = windows.camera_format_window();
  ASSERT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("USB2.0 Grabber Properties"));
  EXPECT_FALSE(window->digital_label()->isHidden());
  EXPECT_TRUE(window->ntsc()->isHidden());
  EXPECT_TRUE(window->slider(1)->isHidden());
  EXPECT_EQ(window->subtype()->text(), QStringLiteral("YUY2"));
  window->slider(0)->setValue(200);
  EXPECT_EQ(proc_amp.values[ProcAmpProperty::Brightness], 200);
  Click(window->cancel_button());
  EXPECT_EQ(proc_amp.values[ProcAmpProperty::Brightness], 90);
  EXPECT_TRUE(Logged(kDevicePropertiesRestoredText));

  // OK with " Save Device Configuration" ticked stores what the device now has.
  Click(devices->button(DeviceWindowControl::SetProperties));
  window->slider(0)->setValue(200);
  window->save_box()->setChecked(true);
  Click(window->ok_button());
  EXPECT_FALSE(window->isVisible());
  Options options;
  std::vector<VideoConfiguration> saved;
  ASSERT_TRUE(LoadOptions({}, station->log(), &options, &saved));
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].device_name, "USB2.0 Grabber");
  EXPECT_EQ(saved[0].properties[0], "200");
}

}  // namespace
}  // namespace vesk
