// A drag made with the mouse: on the minimal platform QDrag::exec runs the toolkit's own drag
// loop, which takes the mouse events of the whole application until the button is released.
#include <QDrag>
#include <QTimer>
#include <QtTest/QTest>

#include "app/commands/SharedEditingState.h"
#include "app/list/ItemListView.h"
#include "app/list/ListedLines.h"
#include "tests/app/WindowFixture.h"

// The window of the other tests, on a platform whose drags are real.
using MouseDragTest = WindowTest;

TEST_F(MouseDragTest, CopiesALine) {
  OpenDemo(*form_);
  Select(*form_, ListedLines::PercussionTab, -1);
  QWidget* viewport = form_->itemList()->viewport();
  const QPoint from = form_->itemList()->visualItemRect(form_->itemList()->item(0)).center();
  const QPoint onto = form_->itemList()->visualItemRect(form_->itemList()->item(3)).center();
  const auto dragged = Bytes(form_->itemAtLine(0));
  ASSERT_NE(Bytes(form_->itemAtLine(3)), dragged);

  // Ends the drag should the release not have reached it, so that a failure cannot hang; it
  // goes with the test, so that it cannot end a later drag.
  QTimer stopper;
  stopper.setSingleShot(true);
  QObject::connect(&stopper, &QTimer::timeout, [] { QDrag::cancel(); });
  // Runs inside the drag's loop, which begins with the move below.
  bool fed = false;
  QTimer::singleShot(0, [&] {
    fed = true;
    QTest::mouseMove(viewport, onto - QPoint(0, 2));
    QTest::mouseMove(viewport, onto);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, onto);
    stopper.start(0);
  });
  QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from);
  QTest::mouseMove(viewport, from + QPoint(0, ItemListView::kDragDistance + 1));

  EXPECT_TRUE(fed);
  EXPECT_EQ(Bytes(form_->itemAtLine(3)), dragged);
  EXPECT_EQ(form_->listLines()[3], "EXT:002(A02)  Dr:Std Kit");
  EXPECT_TRUE(form_->isModified());
  // The drag has ended: its source is forgotten.
  EXPECT_EQ(sharedEditing().dragSourceItem(), nullptr);
}
