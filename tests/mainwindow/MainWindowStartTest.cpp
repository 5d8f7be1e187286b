// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as start-up leaves it: texts, geometry, list settings, the
// first row selected and the two buttons that follow the selection.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>

#include "ByteSize.h"
#include "MainWindowDriver.h"
#include "TestSupport.h"

namespace vorkan::test {
namespace {

class MainWindowStart : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "c.img", PatternBytes(1 << 20, 1));
    WriteFile(dir_ / "d.img", PatternBytes(1 << 19, 2));
    FileVolume c;
    c.path = dir_ / "c.img";
    c.label = "SYSTEM";
    c.totalFreeBytes = 4096;
    ops_.AddVolume('C', c);
    FileVolume d;
    d.path = dir_ / "d.img";
    d.driveType = DriveKind::CdRom;
    d.totalFreeBytes = 0;
    ops_.AddVolume('D', d);
  }
  TempDir dir_;
  CountingVolumeOps ops_;
};

TEST_F(MainWindowStart, CaptionsTitleAndFlagsAfterCreation) {
  Application::Instance().SetHintHidePause(2500);
  Windows windows(ops_);
  MainWindow& f = windows.main();
  EXPECT_EQ(f.windowTitle(), QStringLiteral("Vorkan v1.2"));
  EXPECT_EQ(Application::Instance().Title(), "Vorkan v1.2");
  EXPECT_EQ(Application::Instance().HintHidePause(), -1);
  EXPECT_EQ(f.abortRequested, 0);
  EXPECT_EQ(f.pauseRequested, 0);
  QLabel* label = Control<QLabel>(f, "driveListCaption");
  EXPECT_EQ(label->text(), QStringLiteral("Выберите диск для копирования:"));
  const std::pair<const char*, const char*> captions[] = {
      {"refreshButton", "Обновить"},  {"detailsButton", "Инфо"},
      {"aboutButton", "О программе"}, {"exitButton", "Выход"},
      {"copyButton", "Копировать"},   {"lockCheckBox", "Заблокировать диск (рекомедуется)"}};
  for (const auto& [name, caption] : captions)
    EXPECT_EQ(Control<QAbstractButton>(f, name)->text(), QString::fromUtf8(caption)) << name;
  EXPECT_FALSE(Control<QCheckBox>(f, "lockCheckBox")->isChecked());
  const QStringList headings = {QStringLiteral("Диск"), QStringLiteral("Метка"), QStringLiteral("Тип"),
                                QStringLiteral("Размер"), QStringLiteral("Свободно")};
  const QAbstractItemModel* model = DriveList(f)->model();
  ASSERT_EQ(model->columnCount(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(model->headerData(i, Qt::Horizontal).toString(), headings[i]) << i;
  EXPECT_TRUE(label->font().bold());
  EXPECT_EQ(f.font().family(), QStringLiteral("MS Sans Serif"));
  EXPECT_EQ(f.font().pixelSize(), 11);
  // The windows made after the main one stay hidden.
  EXPECT_FALSE(progressWindow->isVisible());
  EXPECT_FALSE(detailsWindow->isVisible());
  EXPECT_FALSE(aboutWindow->isVisible());
  EXPECT_EQ(ops_.refreshes, 1);
}

TEST_F(MainWindowStart, RowsSelectionAndIcons) {
  Windows windows(ops_);
  MainWindow& f = windows.main();
  QTreeView* list = DriveList(f);
  const QAbstractItemModel* model = list->model();
  ASSERT_EQ(model->rowCount(), 2);
  using Column = DriveTableModel::Column;
  EXPECT_EQ(CellText(f, 0, Column::Drive), QStringLiteral("C:\\"));
  EXPECT_EQ(CellText(f, 0, Column::Label), QStringLiteral("SYSTEM"));
  EXPECT_EQ(CellText(f, 0, Column::Type), QStringLiteral("Локальный"));
  EXPECT_EQ(CellText(f, 0, Column::Size), QString::fromStdString(FormatByteSize(1 << 20)));
  EXPECT_EQ(CellText(f, 0, Column::Free), QString::fromStdString(FormatByteSize(4096)));
  EXPECT_EQ(CellText(f, 1, Column::Type), QStringLiteral("CD-диск"));
  // One 16 x 16 image per row, each row showing its own.
  ASSERT_EQ(f.driveIcons.size(), 2);
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(f.driveIcons[row].size(), QSize(16, 16));
    EXPECT_FALSE(model->index(row, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
  }
  // The first row selected, and the buttons that follow it enabled.
  ASSERT_EQ(list->selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(list->selectionModel()->selectedRows().first().row(), 0);
  EXPECT_EQ(f.SelectedIndex(), 0);
  EXPECT_TRUE(Control<QPushButton>(f, "detailsButton")->isEnabled());
  EXPECT_TRUE(Control<QPushButton>(f, "copyButton")->isEnabled());
  for (const char* name : {"exitButton", "refreshButton", "aboutButton", "driveList", "lockCheckBox"})
    EXPECT_TRUE(Control<QWidget>(f, name)->isEnabled()) << name;
  EXPECT_EQ(QApplication::focusWidget(), list);
}

TEST_F(MainWindowStart, GeometryOfTheWindowAndItsControls) {
  Windows windows(ops_);
  MainWindow& f = windows.main();
  EXPECT_EQ(f.size(), QSize(467, 242));
  EXPECT_EQ(f.minimumSize(), QSize(467, 242));
  EXPECT_EQ(f.maximumSize(), QSize(467, 242));
  EXPECT_TRUE(f.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(f.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(f.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_EQ(Control<QLabel>(f, "driveListCaption")->pos(), QPoint(8, 8));
  const std::pair<const char*, QRect> places[] = {
      {"driveList", QRect(8, 27, 449, 137)},     {"refreshButton", QRect(8, 172, 71, 21)},
      {"detailsButton", QRect(88, 172, 73, 21)}, {"lockCheckBox", QRect(240, 176, 217, 17)},
      {"buttonRule", QRect(8, 200, 449, 9)},     {"aboutButton", QRect(8, 208, 75, 25)},
      {"exitButton", QRect(296, 208, 75, 25)},   {"copyButton", QRect(376, 208, 75, 25)}};
  for (const auto& [name, place] : places) EXPECT_EQ(Control<QWidget>(f, name)->geometry(), place) << name;
  EXPECT_TRUE(Control<QPushButton>(f, "copyButton")->isDefault());
  // Centred on the screen the first time it is shown (halves rounded).
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(std::abs(f.geometry().center().x() - area.center().x()), 2);
  EXPECT_LE(std::abs(f.geometry().center().y() - area.center().y()), 2);
}

TEST_F(MainWindowStart, ListSettingsAndTabOrder) {
  Windows windows(ops_);
  MainWindow& f = windows.main();
  QTreeView* list = DriveList(f);
  EXPECT_EQ(list->header()->sectionSize(0), 45);
  EXPECT_EQ(list->header()->sectionSize(1), 100);
  EXPECT_EQ(list->header()->sectionSize(2), 80);
  // "Размер" takes what the others leave; "Свободно" fits its texts.
  EXPECT_EQ(list->header()->sectionResizeMode(3), QHeaderView::Stretch);
  EXPECT_EQ(list->header()->sectionResizeMode(4), QHeaderView::ResizeToContents);
  EXPECT_FALSE(list->header()->sectionsClickable());
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(list->rootIsDecorated());
  EXPECT_EQ(list->iconSize(), QSize(16, 16));

  // Tab order: list, check box, copy, exit, info, about, refresh.
  std::vector<QString> order;
  QWidget* w = list;
  for (int i = 0; i < 7; ++i) {
    order.push_back(w->objectName());
    do w = w->nextInFocusChain();
    while (w->focusPolicy() == Qt::NoFocus || w->window() != &f || w == &f);
  }
  const std::vector<QString> expected = {"driveList",     "lockCheckBox", "copyButton",   "exitButton",
                                         "detailsButton", "aboutButton",  "refreshButton"};
  EXPECT_EQ(order, expected);
}

TEST_F(MainWindowStart, ClickingAnEmptyAreaDeselectsAndClickingARowSelects) {
  Windows windows(ops_);
  MainWindow& f = windows.main();
  QTreeView* list = DriveList(f);
  QWidget* viewport = list->viewport();
  QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, EmptyListPoint(f));
  EXPECT_FALSE(list->selectionModel()->hasSelection());
  EXPECT_EQ(f.SelectedIndex(), -1);
  EXPECT_FALSE(Control<QPushButton>(f, "detailsButton")->isEnabled());
  EXPECT_FALSE(Control<QPushButton>(f, "copyButton")->isEnabled());

  QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, RowPoint(f, 1));
  EXPECT_EQ(f.SelectedIndex(), 1);
  EXPECT_TRUE(Control<QPushButton>(f, "detailsButton")->isEnabled());
  EXPECT_TRUE(Control<QPushButton>(f, "copyButton")->isEnabled());

  // Refresh selects the first row again.
  QTest::mouseClick(Control<QPushButton>(f, "refreshButton"), Qt::LeftButton);
  EXPECT_EQ(ops_.refreshes, 2);
  EXPECT_EQ(f.SelectedIndex(), 0);
  EXPECT_TRUE(Control<QPushButton>(f, "copyButton")->isEnabled());
}

TEST_F(MainWindowStart, EnteringTheListSelectsTheFirstRow) {
  Windows windows(ops_);
  MainWindow& f = windows.main();
  QTreeView* list = DriveList(f);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, EmptyListPoint(f));
  ASSERT_EQ(f.SelectedIndex(), -1);
  Control<QCheckBox>(f, "lockCheckBox")->setFocus(Qt::TabFocusReason);
  list->setFocus(Qt::BacktabFocusReason);
  EXPECT_EQ(f.SelectedIndex(), 0);
  EXPECT_TRUE(Control<QPushButton>(f, "detailsButton")->isEnabled());
  EXPECT_TRUE(Control<QPushButton>(f, "copyButton")->isEnabled());
}

TEST_F(MainWindowStart, DoubleClickOnEmptyAreaDoesNothingOnARowStartsTheRequest) {
  Windows windows(ops_);
  windows.AnswerSaveDialog({"", ""});
  MainWindow& f = windows.main();
  QWidget* viewport = DriveList(f)->viewport();
  QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, EmptyListPoint(f));
  QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, EmptyListPoint(f));
  EXPECT_TRUE(windows.dialogs.empty());
  EXPECT_EQ(f.SelectedIndex(), -1);

  QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, RowPoint(f, 1));
  ASSERT_EQ(windows.dialogs.size(), 1u);
  // The CD drive proposes an ISO image.
  EXPECT_EQ(windows.dialogs[0].proposedName, QStringLiteral("диск_d"));
  EXPECT_EQ(windows.dialogs[0].filter, QStringLiteral("ISO file (*.ISO)"));
  EXPECT_EQ(windows.dialogs[0].defaultSuffix, QStringLiteral("ISO"));
}

TEST_F(MainWindowStart, ExitButtonClosesAndEndsTheApplication) {
  Windows windows(ops_);
  MainWindow& f = windows.main();
  QTest::mouseClick(Control<QPushButton>(f, "exitButton"), Qt::LeftButton);
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(f.abortRequested, 1);
  EXPECT_TRUE(Application::Instance().IsTerminating());
  // While terminating, a prompt answers Cancel without waiting.
  windows.AnswerPrompts({PromptButton::OK});
  EXPECT_EQ(f.ShowPrompt(PromptId::Copied, "x", PromptKind::Information, ButtonSet({PromptButton::OK})),
            PromptResult::Cancel);
  EXPECT_TRUE(windows.prompts.empty());
}

}  // namespace
}  // namespace vorkan::test
