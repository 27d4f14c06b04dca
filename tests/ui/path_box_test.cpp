#include "path_box.h"

#include <gtest/gtest.h>
#include <memory>

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include "ui_test_support.h"

namespace {

class PathBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        box = std::make_unique<PathBox>();
        box->SetLimitText(10);
        ShowAndPaint(*box);
        box->setFocus();
    }
    std::unique_ptr<PathBox> box;  // made once the application exists
};

TEST_F(PathBoxTest, TypingStopsAtTheLimit) {
    box->SetWindowText(QStringLiteral("abcde"));
    box->end(false);
    QTest::keyClicks(box.get(), QStringLiteral("fghijklm"));
    EXPECT_EQ(box->text(), QStringLiteral("abcdefghij"));
}

TEST_F(PathBoxTest, PasteThatWouldPassTheLimitIsRefused) {
    box->SetWindowText(QStringLiteral("abcde"));
    box->end(false);
    QApplication::clipboard()->setText(QStringLiteral("0123456789"));
    box->paste();
    EXPECT_EQ(box->text(), QStringLiteral("abcde"));
    QApplication::clipboard()->setText(QStringLiteral("01234"));
    box->paste();
    EXPECT_EQ(box->text(), QStringLiteral("abcde01234"));
}

TEST_F(PathBoxTest, ProgramTextIsKeptWholeAndCanBeShortenedButNotGrown) {
    const QString longText(25, u'x');
    box->SetWindowText(longText);
    EXPECT_EQ(box->text(), longText);
    box->end(false);
    QTest::keyClick(box.get(), Qt::Key_A);
    EXPECT_EQ(box->text(), longText);
    QTest::keyClick(box.get(), Qt::Key_Backspace);
    EXPECT_EQ(box->text().size(), 24);
}

TEST_F(PathBoxTest, LongerThanQtsDefaultLimit) {
    box->SetLimitText(0x10000);
    const QString text(40000, u'p');
    box->SetWindowText(text);
    EXPECT_EQ(box->text().size(), 40000);
}

}  // namespace
