// Renders the main window in each layout to PNG files in the build folder,
// so that its look can be checked by eye.
#include <QDir>
#include <QPixmap>

#include "tests/app/main_fixture.h"
#include "ui/help_window.h"

namespace {
class ScreenshotTest : public MainFixture {};
}  // namespace

TEST_F(ScreenshotTest, RendersEachLayout) {
    main->resize(800, 520);
    mw::searchAllBooks(main);
    for (int mode : {1, 2, 3}) {
        main->ButtonBarClick(mode);
        QCoreApplication::processEvents();
        const QPixmap shot = main->grab();
        ASSERT_FALSE(shot.isNull());
        const QString file =
            QDir(TK_SCREENSHOT_DIR).filePath(QStringLiteral("main_window_mode%1.png").arg(mode));
        EXPECT_TRUE(shot.save(file)) << file.toStdString();
        EXPECT_EQ(shot.size(), main->size());
    }
}

// The help window at the Search window's page, opened from that window.
TEST_F(ScreenshotTest, RendersTheHelpWindow) {
    ui::HelpWindow* help = ui::showHelp(main, QStringLiteral("Search Window"));
    QCoreApplication::processEvents();
    const QPixmap shot = help->grab();
    const QString file = QDir(TK_SCREENSHOT_DIR).filePath(QStringLiteral("help_window.png"));
    EXPECT_TRUE(shot.save(file)) << file.toStdString();
    help->close();
}
