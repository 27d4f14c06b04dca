// The main dialog's controls, layout, data exchange, keys and window-menu item.
#include "tarnview_dlg.h"

#include <cstdlib>

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "about_dlg.h"
#include "dialog_units.h"
#include "path_box.h"
#include "report_box.h"
#include "ui_test_support.h"

namespace {

class TarnviewDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        dialog = std::make_unique<CTarnviewDlg>();
        label = dialog->findChild<QLabel*>(QStringLiteral("IDC_STATIC"));
        path = dialog->findChild<PathBox*>(QStringLiteral("IDC_PATH"));
        browse = dialog->findChild<QPushButton*>(QStringLiteral("IDC_BROWSE"));
        report = dialog->findChild<ReportBox*>(QStringLiteral("IDC_REPORT"));
        preview = dialog->findChild<QPushButton*>(QStringLiteral("IDC_PREVIEW"));
        ASSERT_TRUE(label && path && browse && report && preview);
    }

    QRect Units(int x, int y, int width, int height) const {
        return MapDialogRect(QRect(x, y, width, height), BaseUnitsOf(dialog->font()));
    }

    MessageBoxRecorder messages;
    std::unique_ptr<CTarnviewDlg> dialog;
    QLabel* label = nullptr;
    PathBox* path = nullptr;
    QPushButton* browse = nullptr;
    ReportBox* report = nullptr;
    QPushButton* preview = nullptr;
};

TEST_F(TarnviewDlgTest, OpensFromTheTemplateWithEmptyBoxes) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Tarnview v2.0"));
    EXPECT_EQ(dialog->size(), MapDialogSize(QSize(390, 323), BaseUnitsOf(dialog->font())));
    EXPECT_EQ(label->text(), QStringLiteral("影像文件路径:"));
    EXPECT_EQ(browse->text(), QStringLiteral("选择影像文件"));
    EXPECT_EQ(preview->text(), QStringLiteral("预览"));
    EXPECT_EQ(label->geometry(), Units(7, 7, 44, 8));
    EXPECT_EQ(path->geometry(), Units(54, 7, 235, 14));
    EXPECT_EQ(browse->geometry(), Units(290, 7, 50, 14));
    EXPECT_EQ(report->geometry(), Units(7, 21, 376, 295));
    EXPECT_EQ(preview->geometry(), Units(346, 7, 37, 14));
    EXPECT_TRUE(path->text().isEmpty());
    EXPECT_TRUE(report->WindowText().isEmpty());
    EXPECT_FALSE(preview->isEnabled());
    EXPECT_TRUE(browse->isEnabled());
    EXPECT_FALSE(browse->autoDefault());
    EXPECT_FALSE(preview->autoDefault());
    EXPECT_EQ(path->LimitText(), 65536);
    EXPECT_FALSE(dialog->windowIcon().isNull());
    EXPECT_EQ(dialog->windowIcon().availableSizes().value(0), QSize(128, 128));

    ShowAndPaint(*dialog);
    EXPECT_EQ(dialog->focusWidget(), path);
    // Tab order is template order, and Tab reaches the report box (the preview button is off).
    EXPECT_EQ(path->nextInFocusChain(), browse);
    EXPECT_EQ(browse->nextInFocusChain(), report);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    for (QWidget* next : {static_cast<QWidget*>(browse), static_cast<QWidget*>(report),
                          static_cast<QWidget*>(path)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

TEST_F(TarnviewDlgTest, OnlyMaximiseChangesTheSize) {
    ShowAndPaint(*dialog);
    const Qt::WindowFlags flags = dialog->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    const QSize before = dialog->size();
    // A window manager told a maximum equal to the minimum takes maximising away too.
    EXPECT_EQ(dialog->minimumSize(), before);
    EXPECT_EQ(dialog->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    const QRect pathAt = path->geometry(), reportAt = report->geometry();

    // Dragging the border either way is undone; the controls never move.
    for (const QSize delta : {QSize(137, 71), QSize(-40, -25)}) {
        dialog->resize(before + delta);
        QApplication::processEvents();
        EXPECT_EQ(dialog->size(), before);
        EXPECT_EQ(path->geometry(), pathAt);
        EXPECT_EQ(report->geometry(), reportAt);
    }
}

TEST_F(TarnviewDlgTest, FirstShownCentredOnTheWorkAreaWithItsFrame) {
    ShowAndPaint(*dialog);
    const QRect workArea = dialog->screen()->availableGeometry();
    const QRect frame = dialog->frameGeometry();
    ASSERT_NE(frame, dialog->geometry());  // the offscreen platform draws a frame too
    EXPECT_LE(std::abs(frame.center().x() - workArea.center().x()), 1);
    EXPECT_LE(std::abs(frame.center().y() - workArea.center().y()), 1);
}

TEST_F(TarnviewDlgTest, MaximiseAndRestoreKeepTheRule) {
    ShowAndPaint(*dialog);
    const QSize before = dialog->size();
    const int previewGap = before.width() - preview->geometry().right();
    const int reportGap = before.width() - report->geometry().right();
    const int bottomGap = before.height() - report->geometry().bottom();
    const QRect labelAt = label->geometry();
    const QRect browseAt = browse->geometry();

    dialog->showMaximized();
    QApplication::processEvents();
    const QSize maximised = dialog->size();
    ASSERT_NE(maximised, before);
    EXPECT_EQ(maximised.width() - preview->geometry().right(), previewGap);
    EXPECT_EQ(maximised.width() - report->geometry().right(), reportGap);
    EXPECT_EQ(maximised.height() - report->geometry().bottom(), bottomGap);
    EXPECT_EQ(browse->geometry().translated(before.width() - maximised.width(), 0), browseAt);
    EXPECT_EQ(label->geometry(), labelAt);

    dialog->showNormal();
    QApplication::processEvents();
    EXPECT_EQ(dialog->size(), before);
    EXPECT_EQ(browse->geometry(), browseAt);
    EXPECT_EQ(before.height() - report->geometry().bottom(), bottomGap);
}

TEST_F(TarnviewDlgTest, ExchangeMovesBothTextsBothWays) {
    dialog->m_strPath = QStringLiteral("/data/a.tif");
    dialog->m_strReport = QStringLiteral("line 1\r\nline 2");
    ASSERT_TRUE(dialog->UpdateData(false));
    EXPECT_EQ(path->text(), QStringLiteral("/data/a.tif"));
    EXPECT_EQ(report->WindowText(), QStringLiteral("line 1\r\nline 2"));

    path->setText(QStringLiteral("/data/b.tif"));
    report->SetWindowText(QStringLiteral("other"));
    ASSERT_TRUE(dialog->UpdateData(true));
    EXPECT_EQ(dialog->m_strPath, QStringLiteral("/data/b.tif"));
    EXPECT_EQ(dialog->m_strReport, QStringLiteral("other"));
    EXPECT_TRUE(messages.Requests().empty());
}

TEST_F(TarnviewDlgTest, PathOverTheLimitFailsTheReadBack) {
    ShowAndPaint(*dialog);
    report->setFocus();
    dialog->m_strPath = QString(65536, u'a');
    ASSERT_TRUE(dialog->UpdateData(false));
    ASSERT_TRUE(dialog->UpdateData(true));
    EXPECT_TRUE(messages.Requests().empty());

    dialog->m_strPath = QString(65537, u'b');
    dialog->m_strReport = QStringLiteral("shown");
    ASSERT_TRUE(dialog->UpdateData(false));
    EXPECT_EQ(path->text().size(), 65537);  // the program's text is never cut
    dialog->m_strReport = QStringLiteral("member only");
    report->setFocus();

    EXPECT_FALSE(dialog->UpdateData(true));
    ASSERT_EQ(messages.Requests().size(), 1u);
    const MessageBoxRequest& message = messages.Requests().front();
    EXPECT_EQ(message.text, QStringLiteral("Enter no more than 65536 characters."));
    EXPECT_EQ(message.icon, QMessageBox::Warning);
    EXPECT_EQ(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(message.caption, QStringLiteral("Tarnview"));
    EXPECT_EQ(dialog->focusWidget(), path);
    // The path was read, the report box was not.
    EXPECT_EQ(dialog->m_strPath.size(), 65537);
    EXPECT_EQ(dialog->m_strReport, QStringLiteral("member only"));
}

TEST_F(TarnviewDlgTest, EnterClosesWithOkWithoutAnalysing) {
    ShowAndPaint(*dialog);
    path->setFocus();
    QTest::keyClicks(path, QStringLiteral("/no/such/typed.tif"));
    QTest::keyClick(path, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->m_strPath, QStringLiteral("/no/such/typed.tif"));
    EXPECT_TRUE(dialog->m_strReport.isEmpty());
    EXPECT_TRUE(report->WindowText().isEmpty());
}

TEST_F(TarnviewDlgTest, EnterInTheReportBoxIsOkToo) {
    ShowAndPaint(*dialog);
    report->setFocus();
    QTest::keyClick(report, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(TarnviewDlgTest, PasteOverTheLimitSaysSo) {
    ShowAndPaint(*dialog);
    const QString nearlyFull(65530, u'p');
    dialog->m_strPath = nearlyFull;
    dialog->UpdateData(false);
    path->setFocus();
    path->end(false);

    QApplication::clipboard()->setText(QStringLiteral("/0123456789"));
    path->paste();
    EXPECT_EQ(path->text(), nearlyFull);
    ASSERT_EQ(messages.Requests().size(), 1u);
    const MessageBoxRequest& message = messages.Requests().front();
    EXPECT_EQ(message.text, QStringLiteral("Enter no more than 65536 characters."));
    EXPECT_EQ(message.icon, QMessageBox::Warning);
    EXPECT_EQ(message.caption, QStringLiteral("Tarnview"));
    EXPECT_EQ(message.owner, dialog.get());

    // What fits is pasted, and typing stops at the limit without a message, as before.
    QApplication::clipboard()->setText(QStringLiteral("/1234"));
    path->paste();
    QTest::keyClicks(path, QStringLiteral("xy"));
    EXPECT_EQ(path->text(), nearlyFull + QStringLiteral("/1234x"));
    EXPECT_EQ(messages.Requests().size(), 1u);
}

TEST_F(TarnviewDlgTest, EnterWithAnOverLongPathStaysOpen) {
    ShowAndPaint(*dialog);
    dialog->m_strPath = QString(70000, u'x');
    dialog->UpdateData(false);
    QTest::keyClick(path, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(messages.Requests().size(), 1u);
    EXPECT_EQ(messages.Requests().front().text,
              QStringLiteral("Enter no more than 65536 characters."));
}

TEST_F(TarnviewDlgTest, EnterOnAButtonPressesIt) {
    ShowAndPaint(*dialog);
    FileDialogStub files(std::nullopt);
    browse->setFocus();
    QTest::keyClick(browse, Qt::Key_Return);
    EXPECT_EQ(files.Calls(), 1);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(TarnviewDlgTest, EscapeAndCloseCancelWithoutReading) {
    ShowAndPaint(*dialog);
    QTest::keyClicks(path, QStringLiteral("typed"));
    QTest::keyClick(path, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(dialog->m_strPath.isEmpty());

    // The close box, even with a path over the limit: no message, closed.
    ShowAndPaint(*dialog);
    path->SetWindowText(QString(70000, u'x'));
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(messages.Requests().empty());
}

TEST_F(TarnviewDlgTest, WindowMenuItemOpensTheEmptyPreviewWindow) {
    const QList<QAction*> items = dialog->SystemMenu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_TRUE(items[0]->isSeparator());
    EXPECT_EQ(items[1]->text(), QStringLiteral("关于 Tarnview(&A)..."));

    QString title;
    QSize size;
    bool hadImage = true;
    ModalStub modal([&](QDialog& window) {
        auto* about = qobject_cast<CAboutDlg*>(&window);
        ASSERT_NE(about, nullptr);
        title = about->windowTitle();
        size = about->size();
        hadImage = about->Image() != nullptr;
    });
    items[1]->trigger();
    EXPECT_EQ(modal.Calls(), 1);
    EXPECT_EQ(title, QStringLiteral("预览"));
    EXPECT_EQ(size, MapDialogSize(QSize(250, 181), BaseUnitsOf(dialog->font())));
    EXPECT_FALSE(hadImage);

    // Other window commands open nothing.
    dialog->OnSysCommand(0xF020);
    EXPECT_EQ(modal.Calls(), 1);
    dialog->OnSysCommand(0x0010 | 0x3);  // the low four bits belong to the system
    EXPECT_EQ(modal.Calls(), 2);
}

TEST_F(TarnviewDlgTest, RightClickOnTheDialogAreaShowsTheWindowMenu) {
    ShowAndPaint(*dialog);
    const QPoint inside(label->geometry().right() + 1, report->geometry().top() - 1);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, dialog->mapToGlobal(inside));
    QApplication::sendEvent(dialog.get(), &event);
    EXPECT_TRUE(dialog->SystemMenu()->isVisible());
    dialog->SystemMenu()->hide();
}

}  // namespace
