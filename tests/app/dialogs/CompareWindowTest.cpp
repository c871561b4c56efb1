#include "app/dialogs/CompareWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "model/Item.h"

namespace {

TEST(CompareWindow, ShowsTheLinesOfTheComparisonUntilClosed) {
  Instrument a;
  a.SetName("Brass Sect");
  Instrument b;
  b.Assign(a);
  b.SetName("Brass Sec2");
  b.Data()[741] = 0x55;
  QPointer<CompareWindow> window =
      CompareWindow::showComparison(nullptr, a, "INT:017(B01)", b, "library:14");
  b.Data()[741] = 0;  // the window keeps what it was shown
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  EXPECT_EQ(window->objectName(), "CompareWindow");
  EXPECT_EQ(window->windowTitle(), "Compare");
  EXPECT_FALSE(window->isModal());
  EXPECT_EQ(window->lines(),
            QStringList({"A: INT:017(B01) --:Brass Sect", "B: library:14 --:Brass Sec2",
                         "Name: Brass Sect -> Brass Sec2", "Voice Elem 4 LFO: 1 byte differs",
                         "  +5: 00 55"}));
  const auto* text = window->findChild<QPlainTextEdit*>("Lines");
  EXPECT_TRUE(text->isReadOnly());
  EXPECT_TRUE(QFontInfo(text->font()).fixedPitch());
  EXPECT_EQ(text->horizontalScrollBar()->maximum(), 0) << "the lines fit";
  EXPECT_EQ(text->verticalScrollBar()->maximum(), 0);

  QTest::mouseClick(window->findChild<QPushButton*>("CloseButton"), Qt::LeftButton);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(window) << "freed when closed";
}

}  // namespace
