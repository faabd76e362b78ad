#include "events/event_list_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <algorithm>

#include "platform/qt/tool_window_style.h"

namespace vesk {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& rect, const QFont& font) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(rect);
  label->setFont(font);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* text, int id, const QRect& rect) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::number(id));
  button->setGeometry(rect);
  return button;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* text, int id, int x) {
  auto* box = new QCheckBox(QString::fromLatin1(text), parent);
  box->setObjectName(QString::number(id));
  box->setGeometry(x, 15, 170, 25);
  return box;
}

}  // namespace

EventListWindow::EventListWindow(EventListModel& model, const QFont& list_font,
                                 const QFont& label_font, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      model_(model) {
  setObjectName(QString::fromLatin1(kEventListWindowClass));
  setWindowTitle(QString::fromLatin1(kEventListTitle));
  qt::UseToolWindowColours(this);
  setFixedSize(qt::ToolWindowClientSize(kEventListWidth, kEventListHeight));

  list_ = new QTreeWidget(this);
  list_->setGeometry(30, 50, 866, 250);
  list_->setFont(list_font);
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setColumnCount(kEventListColumnCount);
  list_->setHeaderLabels({QStringLiteral(" Date (UTC)"), QStringLiteral("Time (UTC)"),
                          QStringLiteral("Duration"), QStringLiteral("Comment"),
                          QStringLiteral("Hibernate"), QStringLiteral("Shut down"),
                          QStringLiteral("Expired"), QString()});
  list_->header()->setSectionResizeMode(QHeaderView::Fixed);
  list_->header()->setStretchLastSection(false);
  for (std::size_t column = 0; column < kEventListColumnCount; ++column) {
    list_->setColumnWidth(static_cast<int>(column), kEventListColumnWidths[column]);
  }
  list_->setColumnHidden(static_cast<int>(kFileNameColumn), true);
  for (int column = 4; column <= 6; ++column) {
    list_->headerItem()->setTextAlignment(column, Qt::AlignCenter);
  }

  show_expired_ = MakeCheckBox(this, "Show expired events", 32968, 30);
  ascending_ = MakeCheckBox(this, "Ascending times", 32969, 210);
  MakeLabel(this, QStringLiteral("Event files folder:"), QRect(30, 320, 115, 20), label_font);
  folder_ = MakeLabel(this, ToQString(model_.FolderText()), QRect(155, 320, 770, 20), font());
  MakeLabel(this, QStringLiteral("Selected event file:"), QRect(30, 350, 125, 20), label_font);
  selection_ =
      MakeLabel(this, QString::fromLatin1(kNothingSelectedText), QRect(168, 350, 700, 20), font());
  edit_ = MakeButton(this, "Edit Selected Event", 32970, QRect(170, 390, 150, 28));
  delete_ = MakeButton(this, "Delete Selected Event(s)", 32971, QRect(360, 390, 186, 28));
  cancel_ = MakeButton(this, "Cancel", 32972, QRect(585, 390, 80, 28));
  edit_->setEnabled(false);
  delete_->setEnabled(false);

  connect(show_expired_, &QCheckBox::clicked, this,
          [this](bool checked) { model_.SetShowExpired(checked); });
  connect(ascending_, &QCheckBox::clicked, this,
          [this](bool checked) { model_.SetAscendingTimes(checked); });
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &EventListWindow::OnSelectionChanged);
  connect(edit_, &QPushButton::clicked, this, [this] { model_.EditSelected(); });
  connect(delete_, &QPushButton::clicked, this, [this] { model_.DeleteSelected(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { model_.Cancel(); });
}

void EventListWindow::OnSelectionChanged() {
  std::vector<std::size_t> rows;
  for (QTreeWidgetItem* item : list_->selectedItems()) {
    rows.push_back(static_cast<std::size_t>(list_->indexOfTopLevelItem(item)));
  }
  std::sort(rows.begin(), rows.end());
  model_.SelectionChanged(rows);
}

void EventListWindow::SetRows(const std::vector<EventListRow>& rows) {
  // The model knows the selection is gone with the old rows.
  const QSignalBlocker quiet(list_);
  list_->clear();
  QList<QTreeWidgetItem*> items;
  for (const EventListRow& row : rows) {
    auto* item = new QTreeWidgetItem();
    for (std::size_t column = 0; column < kEventListColumnCount; ++column) {
      item->setText(static_cast<int>(column), ToQString(row.columns[column]));
    }
    for (int column = 4; column <= 6; ++column) item->setTextAlignment(column, Qt::AlignCenter);
    items.append(item);
  }
  list_->addTopLevelItems(items);
}

void EventListWindow::SetSelectionText(std::string_view text) {
  selection_->setText(ToQString(text));
}

void EventListWindow::EnableEdit(bool enabled) { edit_->setEnabled(enabled); }

void EventListWindow::EnableDelete(bool enabled) { delete_->setEnabled(enabled); }

void EventListWindow::ShowWindow() {
  show();
  raise();
  activateWindow();
}

void EventListWindow::HideWindow() { hide(); }

bool EventListWindow::AskYesNo(std::string_view caption, std::string_view text) {
  QMessageBox box(QMessageBox::Information, ToQString(caption), ToQString(text),
                  QMessageBox::Yes | QMessageBox::No, this);
  return box.exec() == QMessageBox::Yes;
}

void EventListWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  model_.Cancel();
}

}  // namespace vesk
