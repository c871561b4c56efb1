#include <QCoreApplication>
#include <QMimeData>

#include "app/commands/SharedEditingState.h"
#include "app/list/ItemListView.h"
#include "tests/app/WindowFixture.h"

namespace {

// Two windows showing demo.s2a, each on its Instrument tab.
class DropTest : public WindowTest {
 protected:
  void SetUp() override {
    OpenDemo(*form_);
    other_ = form_->AppendWindow();
    other_->show();
    OpenDemo(*other_);
  }

  EditorWindow* other_ = nullptr;
};

}  // namespace

TEST_F(DropTest, CopyOrSwapWithinAList) {
  const auto int1 = Bytes(form_->ItemAtLine(0));
  const auto ext3 = Bytes(form_->ItemAtLine(130));
  for (const bool swap : {false, true}) {
    OpenDemo(*form_);
    ASSERT_TRUE(DragLine(*form_, 130, swap ? Qt::ControlModifier : Qt::NoModifier, *form_, 0));
    EXPECT_EQ(Bytes(form_->ItemAtLine(0)), ext3);
    EXPECT_EQ(Bytes(form_->ItemAtLine(130)), swap ? int1 : ext3);
    EXPECT_EQ(form_->InstLB->item(130)->text(),
              swap ? "EXT:003(A03)  Pf:Grand Pno" : "EXT:003(A03)  Rd:Alto Sax");
    EXPECT_EQ(form_->InstLB->item(0)->text(), "INT:001(A01)  Rd:Alto Sax");
    EXPECT_EQ(form_->StatusText(), swap ? "Swapped EXT:003(A03) and INT:001(A01)"
                                        : "Copied EXT:003(A03) to INT:001(A01)");
    EXPECT_TRUE(form_->Modified);
    EXPECT_EQ(Editing().DragSourceItem, nullptr);
  }
}

TEST_F(DropTest, BetweenWindowsACopyMarksTheTargetAndASwapBoth) {
  form_->Untouched = true;
  ASSERT_TRUE(DragLine(*form_, 130, Qt::NoModifier, *other_, 0));
  EXPECT_EQ(Bytes(other_->ItemAtLine(0)), Bytes(form_->ItemAtLine(130)));
  EXPECT_TRUE(other_->Modified);
  EXPECT_FALSE(other_->Untouched);
  EXPECT_FALSE(form_->Modified);
  EXPECT_TRUE(form_->Untouched);

  const auto int2 = Bytes(other_->ItemAtLine(1));
  const auto ext4 = Bytes(form_->ItemAtLine(131));
  ASSERT_TRUE(DragLine(*form_, 131, Qt::ControlModifier, *other_, 1));
  EXPECT_EQ(Bytes(other_->ItemAtLine(1)), ext4);
  EXPECT_EQ(Bytes(form_->ItemAtLine(131)), int2);
  EXPECT_EQ(form_->InstLB->item(131)->text(), "EXT:004(A04)  Pf:Bright Pno");
  EXPECT_TRUE(form_->Modified);
  EXPECT_FALSE(form_->Untouched);
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
      {EditorWindow::PerformanceTab, 0, nullptr, true, "Drag'n'drop types didn't match"},
      {EditorWindow::PercussionTab, -1, nullptr, true, "Unknown Internal Error"},
      {EditorWindow::InstrumentTab, 0, &otherProcess, false, ""},
      {EditorWindow::InstrumentTab, 130, nullptr, true, ""},  // onto itself
  };
  const QStringList sourceLines = form_->ListLines();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    EditorWindow& target = c.to == 130 ? *form_ : *other_;
    Select(target, c.targetTab, -1);
    const QStringList before = target.ListLines();
    target.SetStatus({});
    EXPECT_EQ(DragLine(*form_, 130, Qt::ControlModifier, target, c.to, c.data), c.taken);
    EXPECT_EQ(target.StatusText(), c.status);
    EXPECT_EQ(target.ListLines(), before);
    EXPECT_FALSE(target.Modified);
  }
  EXPECT_EQ(form_->ListLines(), sourceLines);
  EXPECT_FALSE(form_->Modified);
}
