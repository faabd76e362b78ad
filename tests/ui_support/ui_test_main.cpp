// The window tests need one QApplication for the whole run; they use the offscreen platform
// so no display is needed (also when the test list is read at build time).

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>

#include "platform/qt/text_fit.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
  }
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  // As the station does: every window's texts fit in the fonts in use.
  vesk::qt::TextFitter fitter;
  app.installEventFilter(&fitter);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
