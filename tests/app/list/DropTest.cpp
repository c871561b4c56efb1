#include <QCoreApplication>
#include <QMimeData>

#include "app/commands/SharedEditingState.h"
#include "app/list/ItemListView.h"
#include "app/list/ListedLines.h"
#include "tests/app/WindowFixture.h"

namespace {

// Two windows showing demo.s2a, each on its Instrument tab.
class DropTest : public WindowTest {
 protected:
  void SetUp() override {
    OpenDemo(*form_);
    other_ = &form_->appendWindow();
    other_->show();
    OpenDemo(*other_);
  }

  EditorWindow* other_ = nullptr;
};

}  // namespace

TEST_F(DropTest, CopyOrSwapWithinAList) {
  const auto int1 = Bytes(form_->itemAtLine(0));
  const auto ext3 = Bytes(form_->itemAtLine(130));
  for (const bool swap : {false, true}) {
    OpenDemo(*form_);
    ASSERT_TRUE(DragLine(*form_, 130, swap ? Qt::ControlModifier : Qt::NoModifier, *form_, 0));
    EXPECT_EQ(Bytes(form_->itemAtLine(0)), ext3);
    EXPECT_EQ(Bytes(form_->itemAtLine(130)), swap ? int1 : ext3);
    EXPECT_EQ(form_->itemList()->item(130)->text(),
              swap ? "EXT:003(A03)  Pf:Grand Pno" : "EXT:003(A03)  Rd:Alto Sax");
    EXPECT_EQ(form_->itemList()->item(0)->text(), "INT:001(A01)  Rd:Alto Sax");
    EXPECT_EQ(form_->statusText(), swap ? "Swapped EXT:003(A03) and INT:001(A01)"
                                        : "Copied EXT:003(A03) to INT:001(A01)");
    EXPECT_TRUE(form_->isModified());
    EXPECT_EQ(sharedEditing().dragSourceItem(), nullptr);
  }
}

TEST_F(DropTest, BetweenWindowsACopyMarksTheTargetAndASwapBoth) {
  // A source nothing was opened into: a copy from it leaves it so, a swap does not.
  EditorWindow& source = form_->appendWindow();
  source.show();
  ASSERT_TRUE(DragLine(source, 130, Qt::NoModifier, *other_, 0));
  EXPECT_EQ(Bytes(other_->itemAtLine(0)), Bytes(source.itemAtLine(130)));
  EXPECT_TRUE(other_->isModified());
  EXPECT_FALSE(other_->isUntouched());
  EXPECT_FALSE(source.isModified());
  EXPECT_TRUE(source.isUntouched());

  const auto int2 = Bytes(other_->itemAtLine(1));
  const auto ext4 = Bytes(source.itemAtLine(131));
  ASSERT_TRUE(DragLine(source, 131, Qt::ControlModifier, *other_, 1));
  EXPECT_EQ(Bytes(other_->itemAtLine(1)), ext4);
  EXPECT_EQ(Bytes(source.itemAtLine(131)), int2);
  EXPECT_EQ(source.itemList()->item(131)->text(), "EXT:004(A04)  Pf:Bright Pno");
  EXPECT_TRUE(source.isModified());
  EXPECT_FALSE(source.isUntouched());
}

TEST_F(DropTest, RefusedDropsChangeNothing) {
  QMimeData otherProcess;
  otherProcess.setData(ItemListView::kDragMimeType,
                       QByteArray::number(QCoreApplication::applicationPid() + 1));
  const struct {
    int targetTab;
    int to;
    const QMimeData* data;
    bool taken;
    const char* status;
  } cases[] = {
      {ListedLines::PerformanceTab, 0, nullptr, true, "Drag'n'drop types didn't match"},
      {ListedLines::PercussionTab, -1, nullptr, true, "Unknown Internal Error"},
      {ListedLines::InstrumentTab, 0, &otherProcess, false, ""},
      {ListedLines::InstrumentTab, 130, nullptr, true, ""},  // onto itself
  };
  const QStringList sourceLines = form_->listLines();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    EditorWindow& target = c.to == 130 ? *form_ : *other_;
    Select(target, c.targetTab, -1);
    const QStringList before = target.listLines();
    target.setStatus({});
    EXPECT_EQ(DragLine(*form_, 130, Qt::ControlModifier, target, c.to, c.data), c.taken);
    EXPECT_EQ(target.statusText(), c.status);
    EXPECT_EQ(target.listLines(), before);
    EXPECT_FALSE(target.isModified());
  }
  EXPECT_EQ(form_->listLines(), sourceLines);
  EXPECT_FALSE(form_->isModified());
}
