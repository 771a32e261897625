// gtest main for every Qt test executable: headless platform, a QApplication,
// and the data and configuration folders pointed at a fresh temporary folder
// so that no test touches the real home folder.
//
// TK_TEST_SCREEN=<width>x<height> gives the headless platform one screen of
// that size (its default is 800 x 600), so the same tests can run on a small
// and on a large screen.
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// The platform setting for the screen TK_TEST_SCREEN asks for, with its
// configuration written into `folder`.
QByteArray headlessPlatform(const QString& folder) {
    const QString asked = qEnvironmentVariable("TK_TEST_SCREEN");
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)$")).match(asked);
    if (!size.hasMatch())
        return "offscreen";
    const QString file = QDir(folder).filePath(QStringLiteral("screen.json"));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return "offscreen";
    out.write(QStringLiteral("{\"screens\": [{\"name\": \"Screen\", \"x\": 0, \"y\": 0, "
                             "\"width\": %1, \"height\": %2, \"logicalDpi\": 96, "
                             "\"logicalBaseDpi\": 96, \"dpr\": 1}]}")
                  .arg(size.captured(1), size.captured(2))
                  .toUtf8());
    return "offscreen:configfile=" + file.toLocal8Bit();
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("QT_QPA_PLATFORM", headlessPlatform(home.path()));
    const QString data = home.filePath(QStringLiteral("data"));
    const QString config = home.filePath(QStringLiteral("config"));
    QDir().mkpath(data);
    QDir().mkpath(config);
    qputenv("XDG_DATA_HOME", data.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
    qputenv("HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
