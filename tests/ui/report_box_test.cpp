#include "report_box.h"

#include <gtest/gtest.h>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include "ui_test_support.h"

namespace {

TEST(ReportBox, EachCrLfIsOneLineAndTheTextComesBackExactly) {
    EnsureApplication();
    ReportBox box;
    const QString text = QStringLiteral("尺寸: 10 x 20\r\n\tBand 1\r\n\r\nend");
    box.SetWindowText(text);
    EXPECT_EQ(box.WindowText(), text);
    EXPECT_EQ(box.document()->blockCount(), 4);
    EXPECT_EQ(box.document()->findBlockByNumber(1).text(), QStringLiteral("\tBand 1"));
    EXPECT_EQ(box.document()->findBlockByNumber(2).text(), QString());
    EXPECT_FALSE(box.toPlainText().contains(u'\r'));
}

TEST(ReportBox, ReadOnlyWrappedWithOnlyAVerticalScrollBar) {
    EnsureApplication();
    ReportBox box;
    box.resize(200, 100);
    box.SetWindowText(QString(2000, u'w'));
    ShowAndPaint(box);
    EXPECT_TRUE(box.isReadOnly());
    EXPECT_EQ(box.lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(box.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(box.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    // A single word longer than the box wraps too.
    EXPECT_GT(box.document()->firstBlock().layout()->lineCount(), 1);
    EXPECT_TRUE(box.verticalScrollBar()->isVisible());
    // Typing changes nothing.
    box.setFocus();
    QTest::keyClicks(&box, QStringLiteral("abc"));
    EXPECT_EQ(box.WindowText(), QString(2000, u'w'));
}

TEST(ReportBox, KeyboardMovesTheCaretAndSelects) {
    EnsureApplication();
    ReportBox box;
    box.SetWindowText(QStringLiteral("first\r\nsecond\r\nthird"));
    ShowAndPaint(box);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    box.setFocus();
    EXPECT_EQ(box.textInteractionFlags(), Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    EXPECT_TRUE(box.focusPolicy() & Qt::TabFocus);

    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_EQ(box.textCursor().blockNumber(), 1);
    QTest::keyClick(&box, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(box.textCursor().selectedText(), QStringLiteral("second"));
    QTest::keyClick(&box, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(box.textCursor().position(), box.document()->characterCount() - 1);
    QTest::keyClick(&box, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(box.textCursor().selectedText().size(), box.toPlainText().size());
}

}  // namespace
