#include "analysis/frame_integration_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "platform/qt/tool_window_style.h"

namespace vesk {
namespace {

QPushButton* MakeButton(QWidget* parent, const char* text, int id, int x) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::number(id));
  button->setGeometry(x, 220, 100, 28);
  return button;
}

}  // namespace

FrameIntegrationWindow::FrameIntegrationWindow(AnalysisControls& controls, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      controls_(controls) {
  setObjectName(QString::fromLatin1(kFrameIntegrationWindowClass));
  setWindowTitle(QString::fromLatin1(kFrameIntegrationTitle));
  qt::UseToolWindowColours(this);
  setFixedSize(qt::ToolWindowClientSize(kFrameIntegrationWidth, kFrameIntegrationHeight));

  auto* explanation =
      new QLabel(QString::fromLatin1(kFrameIntegrationExplanation).replace("\r\n", "\n"), this);
  explanation->setGeometry(50, 30, 370, 80);
  auto* label = new QLabel(QString::fromLatin1(kFrameCountLabel), this);
  label->setGeometry(130, 150, 110, 20);

  count_ = new QLineEdit(this);
  count_->setObjectName(QStringLiteral("FrameCount"));
  count_->setGeometry(250, 151, 30, 20);
  count_->setMaxLength(kFrameCountMaxCharacters);
  count_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), count_));
  count_->setText(QString::fromLatin1(kIntegrationCountReset));

  start_ = MakeButton(this, kIntegrationStartText, kIntegrationStartId, 60);
  cancel_ = MakeButton(this, kIntegrationCancelText, kIntegrationCancelId, 305);
  connect(start_, &QPushButton::clicked, this, &FrameIntegrationWindow::OnStart);
  connect(cancel_, &QPushButton::clicked, this, &FrameIntegrationWindow::OnCancel);
}

void FrameIntegrationWindow::OpenFromMenu() {
  count_->setText(QString::fromLatin1(kIntegrationCountReset));
  show();
  raise();
  activateWindow();
}

void FrameIntegrationWindow::OnStart() {
  const std::string text = count_->text().toStdString();
  if (!controls_.StartIntegration(text)) {
    count_->setText(QString::fromLatin1(kIntegrationCountReset));
    return;
  }
  emit integrationStarted(controls_.integration_count());
}

void FrameIntegrationWindow::OnCancel() {
  hide();
  controls_.CancelIntegration();
  emit cancelled();
}

void FrameIntegrationWindow::closeEvent(QCloseEvent* event) {
  // The window lives for the whole run: closing hides it, as Cancel does.
  event->ignore();
  OnCancel();
}

}  // namespace vesk
