#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QWidget>

#include "TipWindow.h"

namespace morlo::gui {
namespace {

// Text sizes as a font's metrics give them: 16 px lines, and 13 px in the smaller font.
constexpr TipText Text(int width) {
    return {width, 16};
}
constexpr TipText Small(int width) {
    return {width * 4 / 5, 13};
}

TEST(TipLayout, OneFittingLineShowsNothingTwoLinesAlwaysShow) {
    const QRect owner(0, 0, 400, 300);
    const QRect wide(10, 10, 200, 20);
    EXPECT_FALSE(ComputeTipLayout(wide, owner, 1, Text(60), Small(60), 0).show);  // 72 px box
    EXPECT_TRUE(ComputeTipLayout(wide, owner, 1, Text(240), Small(240), 0).show);
    EXPECT_FALSE(ComputeTipLayout(wide, owner, 1, Text(240), Small(240), 60).show);  // allowance
    TipLayout two = ComputeTipLayout(wide, owner, 2, Text(30), Small(30), 0);
    EXPECT_TRUE(two.show);
    // Below the control; every line one line step of the font, the text padded by 6 px.
    EXPECT_EQ(two.box, QRect(10, 30, 42, 16 * 2 + 12));
    EXPECT_FALSE(two.smallFont);
}

TEST(TipLayout, AboveNearTheBottomAndSmallerInAShortOwner) {
    const QRect control(10, 270, 50, 20);
    TipLayout above = ComputeTipLayout(control, QRect(0, 0, 400, 300), 3, Text(120), Small(120), 0);
    EXPECT_EQ(above.box.bottom() + 1, 270);
    EXPECT_EQ(above.box.height(), 16 * 3 + 12);
    EXPECT_FALSE(above.smallFont);
    TipLayout small =
        ComputeTipLayout(QRect(10, 20, 50, 20), QRect(0, 0, 400, 40), 5, Text(120), Small(120), 0);
    EXPECT_TRUE(small.smallFont);
    EXPECT_EQ(small.box.height(), 5 * 13 + 12);
    EXPECT_EQ(small.box.width(), 96 + 12);
    EXPECT_EQ(small.box.bottom() + 1, 20);
    // A control reaching past the owner's right edge puts the box at the owner's left.
    TipLayout left =
        ComputeTipLayout(QRect(350, 10, 100, 20), QRect(0, 0, 400, 300), 2, Text(30), Small(30), 0);
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
    // The lines are one line step of the font apart, so they never overlap.
    const QFontMetrics metrics(tips.ShownFont());
    EXPECT_GE(tips.ShownBox().height(), 2 * metrics.lineSpacing());
    EXPECT_GE(tips.ShownBox().width(), metrics.horizontalAdvance("1.enable"));
    // The mouse leaves the page: the tip goes.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&owner, &leave);
    EXPECT_TRUE(tips.ShownBox().isNull());
    EXPECT_EQ(tips.CurrentControl(), nullptr);
    tips.MouseMove(QPoint(20, 15));
    EXPECT_FALSE(tips.ShownBox().isNull());
    tips.RemoveTip(a);
    EXPECT_TRUE(tips.ShownBox().isNull());
    EXPECT_EQ(tips.CurrentControl(), nullptr);
}

}  // namespace
}  // namespace morlo::gui
