// The preview command: which paths it takes, what it shows, and the preview button around it.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

#include "about_dlg.h"
#include "fixture_folder.h"
#include "package_headers.h"
#include "path_box.h"
#include "tarnview_dlg.h"
#include "ui_test_support.h"

namespace {

// What the stubbed modal run saw of the preview window.
struct Shown {
    int windows = 0;
    bool buttonEnabledWhileOpen = true;
    QSize imageSize;
    bool imageNull = false;
    QSize clientSize;
};

class TarnviewDlgPreviewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        dialog = std::make_unique<CTarnviewDlg>();
        path = dialog->findChild<PathBox*>(QStringLiteral("IDC_PATH"));
        preview = dialog->findChild<QPushButton*>(QStringLiteral("IDC_PREVIEW"));
        ASSERT_TRUE(path && preview);
        modal = std::make_unique<ModalStub>([this](QDialog& window) {
            auto& about = dynamic_cast<CAboutDlg&>(window);
            ++shown.windows;
            shown.buttonEnabledWhileOpen = preview->isEnabled();
            ASSERT_NE(about.Image(), nullptr);
            shown.imageSize = about.Image()->size();
            shown.imageNull = about.Image()->isNull();
            shown.clientSize = about.size();
        });
    }

    QString Package(const QString& name, std::uint32_t width, std::uint32_t height) {
        const QString file = files.Path(name);
        PackageHeaderRecipe recipe;
        recipe.width = width;
        recipe.height = height;
        WriteHeaderOnlyPackage(file, recipe);
        return file;
    }

    // Types a path into the box, as a user editing it would, then presses the button's command.
    void PreviewTyped(const QString& text) {
        path->setText(text);
        preview->setEnabled(true);
        dialog->OnPreview();
    }

    FixtureFolder files;
    MessageBoxRecorder messages;
    std::unique_ptr<CTarnviewDlg> dialog;
    std::unique_ptr<ModalStub> modal;
    Shown shown;
    PathBox* path = nullptr;
    QPushButton* preview = nullptr;
};

TEST_F(TarnviewDlgPreviewTest, PackageThumbnailSizesTheWindow) {
    PreviewTyped(Package(QStringLiteral("scene.qvrmp"), 10000, 8000));
    EXPECT_TRUE(messages.Requests().empty());
    ASSERT_EQ(shown.windows, 1);
    EXPECT_FALSE(shown.buttonEnabledWhileOpen);
    EXPECT_EQ(shown.imageSize, QSize(512, 409));
    EXPECT_EQ(shown.clientSize, QSize(522, 419));
    EXPECT_TRUE(preview->isEnabled());  // enabled again once the window closed
}

TEST_F(TarnviewDlgPreviewTest, FocusReturnsToTheButton) {
    ShowAndPaint(*dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    path->setText(Package(QStringLiteral("scene.qvrmp"), 64, 64));
    preview->setEnabled(true);
    preview->setFocus();
    QTest::keyClick(preview, Qt::Key_Space);
    ASSERT_EQ(shown.windows, 1);
    // The window manager activates the dialog again once the preview window is gone.
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_EQ(QApplication::focusWidget(), preview);
    EXPECT_FALSE(path->hasSelectedText());
}

TEST_F(TarnviewDlgPreviewTest, FarWiderThanTallGivesAnEmptyWindow) {
    PreviewTyped(Package(QStringLiteral("strip.qvrmp"), 100000, 100));
    EXPECT_TRUE(messages.Requests().empty());
    ASSERT_EQ(shown.windows, 1);
    EXPECT_TRUE(shown.imageNull);
    EXPECT_EQ(shown.clientSize, QSize(10, 10));
    EXPECT_TRUE(preview->isEnabled());
}

TEST_F(TarnviewDlgPreviewTest, SizesWithNoThumbnailAreRefused) {
    PreviewTyped(Package(QStringLiteral("empty.qvrmp"), 0, 100));
    ASSERT_EQ(messages.Requests().size(), 1u);
    EXPECT_EQ(messages.Requests()[0].text, QStringLiteral("获取缩略图失败!!!"));
    EXPECT_EQ(messages.Requests()[0].caption, QStringLiteral("错误"));
    EXPECT_EQ(messages.Requests()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(shown.windows, 0);
    EXPECT_FALSE(preview->isEnabled());

    // 2048 times as tall as wide: more rows than a thumbnail buffer holds.
    PreviewTyped(Package(QStringLiteral("needle.qvrmp"), 2048, 4194304));
    ASSERT_EQ(messages.Requests().size(), 2u);
    EXPECT_EQ(messages.Requests()[1].text, QStringLiteral("获取缩略图失败!!!"));
    EXPECT_EQ(shown.windows, 0);
    EXPECT_FALSE(preview->isEnabled());
}

TEST_F(TarnviewDlgPreviewTest, PackageThatDoesNotOpen) {
    const QString broken = files.WriteFile(QStringLiteral("broken.qvrmp"), QByteArray(100, 'x'));
    for (const QString& file : {broken, files.Path(QStringLiteral("missing.qvrmp"))}) {
        PreviewTyped(file);
        EXPECT_EQ(shown.windows, 0);
        EXPECT_FALSE(preview->isEnabled());
    }
    ASSERT_EQ(messages.Requests().size(), 2u);
    for (const MessageBoxRequest& message : messages.Requests()) {
        EXPECT_EQ(message.text, QStringLiteral("打开压缩包失败!!!"));
        EXPECT_EQ(message.caption, QStringLiteral("错误"));
        EXPECT_EQ(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_EQ(message.icon, QMessageBox::NoIcon);
        EXPECT_EQ(message.owner, dialog.get());
    }
}

TEST_F(TarnviewDlgPreviewTest, OnlyTheExactExtensionIsPreviewed) {
    const QString package = Package(QStringLiteral("scene.qvrmp"), 4096, 2048);
    QFile::copy(package, files.Path(QStringLiteral("upper.QVRMP")));
    for (const QString& file : {files.Path(QStringLiteral("upper.QVRMP")), package + u' ',
                                files.Path(QStringLiteral("qvrmp")), QString()}) {
        PreviewTyped(file);
        EXPECT_FALSE(preview->isEnabled()) << file.toStdString();
    }
    EXPECT_EQ(shown.windows, 0);
    EXPECT_TRUE(messages.Requests().empty());
}

TEST_F(TarnviewDlgPreviewTest, TheBareExtensionIsTriedAsAPackage) {
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QFileInfo(files.Path(QStringLiteral("x"))).absolutePath()));
    PreviewTyped(QStringLiteral(".qvrmp"));
    QDir::setCurrent(saved);
    ASSERT_EQ(messages.Requests().size(), 1u);
    EXPECT_EQ(messages.Requests()[0].text, QStringLiteral("打开压缩包失败!!!"));
}

TEST_F(TarnviewDlgPreviewTest, ThePathBoxAsEditedIsPreviewed) {
    const QString analysed = Package(QStringLiteral("a.qvrmp"), 10000, 8000);
    const QString edited = Package(QStringLiteral("b.qvrmp"), 2048, 1024);
    dialog->m_strPath = analysed;
    dialog->UpdateData(false);
    dialog->AnalyzeFile();
    ASSERT_TRUE(preview->isEnabled());
    path->setText(edited);
    dialog->OnPreview();
    ASSERT_EQ(shown.windows, 1);
    EXPECT_EQ(shown.imageSize, QSize(512, 256));
    EXPECT_EQ(dialog->m_strPath, edited);
}

TEST_F(TarnviewDlgPreviewTest, ButtonFollowsTheAnalysis) {
    const QString package = Package(QStringLiteral("scene.qvrmp"), 4096, 2048);
    const QString raster = files.MakeGeoTiff(QStringLiteral("scene.tif"), {});
    const QString broken = files.WriteFile(QStringLiteral("broken.qvrmp"), QByteArray(100, 'x'));
    const auto analyse = [&](const QString& file) {
        dialog->m_strPath = file;
        dialog->UpdateData(false);
        dialog->AnalyzeFile();
        return preview->isEnabled();
    };
    EXPECT_FALSE(preview->isEnabled());  // before any analysis
    EXPECT_TRUE(analyse(package));
    EXPECT_FALSE(analyse(raster));
    EXPECT_TRUE(analyse(package));
    EXPECT_FALSE(analyse(broken));
    EXPECT_TRUE(messages.Requests().empty());  // a failed analysis is text, not a message
}

}  // namespace
