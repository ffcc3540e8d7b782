#include <gtest/gtest.h>

#include <QLineEdit>
#include <QWidget>

#include "TipWindow.h"

namespace morlo::gui {
namespace {

TEST(TipLayout, OneFittingLineShowsNothingTwoLinesAlwaysShow) {
    const QRect owner(0, 0, 400, 300);
    const QRect wide(10, 10, 200, 20);
    EXPECT_FALSE(ComputeTipLayout(wide, owner, 1, 10, 0).show);   // 70 px box, 200 px control
    EXPECT_TRUE(ComputeTipLayout(wide, owner, 1, 40, 0).show);    // 250 px box
    EXPECT_FALSE(ComputeTipLayout(wide, owner, 1, 40, 60).show);  // the allowance makes it fit
    TipLayout two = ComputeTipLayout(wide, owner, 2, 5, 0);
    EXPECT_TRUE(two.show);
    EXPECT_EQ(two.box, QRect(10, 30, 40, 38));  // below the control: 13 x 2 + 12 high
    EXPECT_EQ(two.fontHeight, 14);
}

TEST(TipLayout, AboveNearTheBottomAndSmallerInAShortOwner) {
    const QRect control(10, 270, 50, 20);
    TipLayout above = ComputeTipLayout(control, QRect(0, 0, 400, 300), 3, 20, 0);
    EXPECT_EQ(above.box.bottom() + 1, 270);
    EXPECT_EQ(above.box.height(), 13 * 3 + 12);
    EXPECT_EQ(above.fontHeight, 14);
    TipLayout small = ComputeTipLayout(QRect(10, 20, 50, 20), QRect(0, 0, 400, 40), 5, 20, 0);
    EXPECT_EQ(small.fontHeight, 12);
    EXPECT_EQ(small.box.height(), 5 * 11 + 12);
    EXPECT_EQ(small.box.width(), 20 * 7 + 10);
    EXPECT_EQ(small.box.bottom() + 1, 20);
    // A control reaching past the owner's right edge puts the box at the owner's left.
    TipLayout left = ComputeTipLayout(QRect(350, 10, 100, 20), QRect(0, 0, 400, 300), 2, 5, 0);
    EXPECT_EQ(left.box.left(), 0);
}

TEST(TipWindow, MovingBetweenControlsReplacesTheBoxAndRemovalErasesIt) {
    QWidget owner;
    owner.resize(400, 300);
    auto* a = new QLineEdit(&owner);
    a->setGeometry(10, 10, 60, 20);
    auto* b = new QLineEdit(&owner);
    b->setGeometry(10, 100, 60, 20);
    auto* plain = new QLineEdit(&owner);
    plain->setGeometry(200, 10, 60, 20);
    TipWindow tips;
    tips.SetOwner(&owner);
    tips.AddTip(a, {"1.enable", "2.reset"}, 0, QColor(250, 250, 210), Qt::black);
    tips.AddTip(b, {"one line that is far too long for it"}, 0, Qt::yellow, Qt::black);
    tips.AddTip(plain, {}, 0, Qt::yellow, Qt::black);  // no lines: no tip
    EXPECT_FALSE(tips.HasTip(plain));

    tips.MouseMove(QPoint(20, 15));
    EXPECT_EQ(tips.CurrentControl(), a);
    EXPECT_EQ(tips.ShownBox().top(), 30);
    tips.MouseMove(QPoint(20, 105));
    EXPECT_EQ(tips.CurrentControl(), b);
    EXPECT_EQ(tips.ShownBox().top(), 120);
    tips.MouseMove(QPoint(300, 250));  // empty area: the tip stays
    EXPECT_EQ(tips.CurrentControl(), b);
    tips.MouseMove(QPoint(210, 15));  // a control without a tip
    EXPECT_EQ(tips.CurrentControl(), nullptr);
    EXPECT_TRUE(tips.ShownBox().isNull());
    tips.MouseMove(QPoint(20, 15));
    tips.RemoveTip(a);
    EXPECT_TRUE(tips.ShownBox().isNull());
    EXPECT_EQ(tips.CurrentControl(), nullptr);
}

}  // namespace
}  // namespace morlo::gui
