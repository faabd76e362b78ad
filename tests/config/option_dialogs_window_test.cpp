// The option dialogs and the codec selector on the offscreen platform, opened from the
// station's menus: their controls act on the logic, and the station saves and restarts as
// their results ask.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "capture/codec_selector_window.h"
#include "config/default_duration_window.h"
#include "config/event_pending_window.h"
#include "config/miscellaneous_options_window.h"
#include "config/performance_window.h"
#include "ui_support/station_fixture.h"

namespace vesk {
namespace {

class OptionDialogsTest : public testing::StationWindowTest {
 protected:
  // Acts on the modal dialog a menu command opens, once it is up.
  template <typename Dialog>
  void WithDialog(MenuCommand command, std::function<void(Dialog&)> act) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      seen = true;
      act(*dialog);
    });
    MainAction(command)->trigger();
    EXPECT_TRUE(seen);
  }
  Options Saved() {
    Options saved;
    std::vector<VideoConfiguration> configurations;
    EXPECT_TRUE(LoadOptions({"NONE", "VESK Test Codec"}, station->log(), &saved, &configurations));
    return saved;
  }
};

TEST_F(OptionDialogsTest, MiscellaneousOpensWhereSavedAndSaveFollowsTheBoxes) {
  Options options;
  SetDefaultOptions(&options);
  options.miscellaneous_options_window_position = {420, 330};
  ASSERT_TRUE(SaveOptions(options, {}));
  Start();
  MainAction(MenuCommand::Misc)->trigger();
  MiscellaneousOptionsWindow* misc = windows.miscellaneous_options_window();
  ASSERT_NE(misc, nullptr);
  Settle();
  EXPECT_EQ(misc->frameGeometry().topLeft(), QPoint(420, 330));
  EXPECT_FALSE(misc->save_button()->isEnabled());
  QTest::mouseClick(misc->spacing_box(), Qt::LeftButton);
  QTest::mouseClick(misc->spacing_box(), Qt::LeftButton);
  EXPECT_FALSE(misc->save_button()->isEnabled());
  QTest::mouseClick(misc->gps_box(), Qt::LeftButton);
  ASSERT_TRUE(misc->save_button()->isEnabled());
  QTest::mouseClick(misc->save_button(), Qt::LeftButton);
  EXPECT_FALSE(misc->isVisible());
  EXPECT_TRUE(station->options().autostart_gps);
  EXPECT_TRUE(Saved().autostart_gps);
}

TEST_F(OptionDialogsTest, DurationEventPendingPerformanceAndCodecEndWithTheirResults) {
  AddDevice();
  Start();
  WithDialog<DefaultDurationDialog>(MenuCommand::DurationDefault, [](DefaultDurationDialog& d) {
    d.picker()->setTime(QTime(1, 2, 3));
    QTest::mouseClick(d.save_button(), Qt::LeftButton);
  });
  EXPECT_EQ(Saved().default_duration, "01:02:03");

  WithDialog<EventPendingDialog>(MenuCommand::EventPending, [](EventPendingDialog& d) {
    QTest::mouseClick(d.default_box(), Qt::LeftButton);
    EXPECT_EQ(d.save_button()->text(), "Save");
    d.utc_radio()->setChecked(true);
    QTest::mouseClick(d.save_button(), Qt::LeftButton);
  });
  EXPECT_EQ(Saved().event_pending_display, "UTC");

  // OK switches the renderer now and restarts the video; the file keeps the saved one.
  const int runs = Runs();
  WithDialog<PerformanceDialog>(MenuCommand::Performance, [](PerformanceDialog& d) {
    EXPECT_TRUE(d.renderer_radio(0)->isChecked());
    d.renderer_radio(2)->setChecked(true);
    QTest::mouseClick(d.ok_button(), Qt::LeftButton);
  });
  EXPECT_EQ(Runs(), runs + 1);
  EXPECT_EQ(media.renderers_created[RendererKind::VMR7], 1);
  EXPECT_EQ(Saved().default_renderer, kRendererEvr);

  // The codec selector offers the discovered codecs and saves the pair when ticked.
  WithDialog<CodecSelectorWindow>(MenuCommand::Codec, [](CodecSelectorWindow& d) {
    EXPECT_EQ(d.subtype_label()->text(), "YUY2 format subtype");
    ASSERT_EQ(d.list()->count(), 2);
    EXPECT_EQ(d.list()->item(1)->text(), "VESK Test Codec");
    d.list()->setCurrentRow(1);
    QTest::mouseClick(d.save_box(), Qt::LeftButton);
    EXPECT_EQ(d.ok_button()->text(), "Save");
    QTest::mouseClick(d.ok_button(), Qt::LeftButton);
  });
  EXPECT_EQ(Saved().saved_codec_pairs,
            (std::vector<SubtypeCodecPair>{{SubtypeCode::YUY2, 1, "VESK Test Codec"}}));
  EXPECT_EQ(station->graph().state(), GraphState::Running);
}

}  // namespace
}  // namespace vesk
