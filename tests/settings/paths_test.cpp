// The program's folders: making the data folder, with the system's reason
// when it cannot be made.
#include "settings/paths.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(MakeFolder, MakesMissingFoldersAndAcceptsAnExistingOne) {
    QTemporaryDir dir;
    const QString deep = dir.filePath("a/b/c");
    QString error;
    EXPECT_TRUE(settings::makeFolder(deep, &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(deep).isDir());
    EXPECT_TRUE(settings::makeFolder(deep));
}

TEST(MakeFolder, AFileInTheWayGivesTheSystemsReason) {
    QTemporaryDir dir;
    const QString file = dir.filePath("file");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString error;
    EXPECT_FALSE(settings::makeFolder(file + "/below", &error));
    EXPECT_EQ(error, "Not a directory");
    error.clear();
    EXPECT_FALSE(settings::makeFolder(file, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(MakeFolder, AFolderThatMayNotBeWrittenGivesPermissionDenied) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the superuser";
    QTemporaryDir dir;
    const QString closed = dir.filePath("closed");
    ASSERT_TRUE(QDir().mkpath(closed));
    ASSERT_TRUE(QFile::setPermissions(closed, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    QString error;
    EXPECT_FALSE(settings::makeFolder(closed + "/tomekeep", &error));
    EXPECT_EQ(error, "Permission denied");
    QFile::setPermissions(closed,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace
