// Copying one file: byte for byte through a temporary file, never over the
// source, never leaving a half-written target; the room check with the
// free space of the destination's file system.
#include "backup/file_copy.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray pattern(qint64 size) {
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 12345;
    for (qint64 i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(x >> 24);
    }
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class FileCopyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(from.isValid());
        ASSERT_TRUE(to.isValid());
    }
    void TearDown() override { backup::setFreeSpaceProbe({}); }
    // What the destination folder holds: no temporary file may stay behind.
    QStringList destinationFiles() const {
        return QDir(to.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir from, to;
};

TEST_F(FileCopyTest, CopiesByteForByteAndReplacesAnEarlierCopy) {
    const QString source = from.filePath("MASTER.DBF");
    const QString target = to.filePath("MASTER.DBF");
    const QByteArray bytes = pattern(20 << 20);  // several progress steps
    writeFile(source, bytes);
    writeFile(target, "an earlier, shorter backup");
    qint64 last = 0;
    int steps = 0;
    const auto r = backup::copyFile(source, target, [&](qint64 done, qint64 total) {
        EXPECT_GT(done, last);
        EXPECT_EQ(total, bytes.size());
        last = done;
        ++steps;
        return true;
    });
    ASSERT_TRUE(r.ok()) << r.reason.toStdString();
    EXPECT_TRUE(readFile(target) == bytes);
    EXPECT_EQ(last, bytes.size());
    EXPECT_GE(steps, 2);
    EXPECT_EQ(destinationFiles(), QStringList{"MASTER.DBF"});

    // An empty source gives an empty copy.
    writeFile(source, {});
    ASSERT_TRUE(backup::copyFile(source, target).ok());
    EXPECT_EQ(QFileInfo(target).size(), 0);
}

TEST_F(FileCopyTest, AStoppedCopyLeavesTheEarlierBackupAndNoTemporaryFile) {
    const QString source = from.filePath("MASTER.DBF");
    const QString target = to.filePath("MASTER.DBF");
    writeFile(source, pattern(20 << 20));
    writeFile(target, "the earlier backup");
    const auto r = backup::copyFile(source, target, [](qint64, qint64) { return false; });
    EXPECT_EQ(r.status, backup::CopyStatus::Stopped);
    EXPECT_EQ(readFile(target), "the earlier backup");
    EXPECT_EQ(destinationFiles(), QStringList{"MASTER.DBF"});
}

TEST_F(FileCopyTest, SourceAndTargetBeingOneFileIsRefusedWithoutTruncating) {
    const QString source = from.filePath("TMKBOOK.URP");
    writeFile(source, "definitions");
    EXPECT_EQ(backup::copyFile(source, source).status, backup::CopyStatus::SameFile);
    // The same file reached through another name of its folder.
    const QString link = to.filePath("linked");
    ASSERT_TRUE(QFile::link(from.path(), link));
    EXPECT_TRUE(backup::sameFile(source, link + "/TMKBOOK.URP"));
    EXPECT_EQ(backup::copyFile(source, link + "/TMKBOOK.URP").status, backup::CopyStatus::SameFile);
    EXPECT_EQ(readFile(source), "definitions");
    EXPECT_FALSE(backup::sameFile(source, to.filePath("TMKBOOK.URP")));
}

TEST_F(FileCopyTest, FailuresCreateNothing) {
    const QString source = from.filePath("AUTHOR.LST");
    EXPECT_EQ(backup::copyFile(source, to.filePath("AUTHOR.LST")).status,
              backup::CopyStatus::SourceUnreadable);
    writeFile(source, "Austen\n");
    const auto r = backup::copyFile(source, to.filePath("gone/AUTHOR.LST"));
    EXPECT_EQ(r.status, backup::CopyStatus::Failed);
    EXPECT_FALSE(r.reason.isEmpty());
    // A folder is no file to back up.
    EXPECT_EQ(backup::copyFile(from.path(), to.filePath("x")).status,
              backup::CopyStatus::SourceUnreadable);
    EXPECT_TRUE(destinationFiles().isEmpty());
}

TEST_F(FileCopyTest, RoomCountsTheFreeSpaceAndTheFileReplaced) {
    const QString source = from.filePath("MASTER.DBF");
    const QString target = to.filePath("MASTER.DBF");
    writeFile(source, pattern(1000));
    QString asked;
    backup::setFreeSpaceProbe([&](const QString& dir) {
        asked = dir;
        return qint64(999);
    });
    EXPECT_FALSE(backup::hasRoom(source, target));
    EXPECT_EQ(QDir(asked), QDir(to.path()));
    backup::setFreeSpaceProbe([](const QString&) { return qint64(1000); });
    EXPECT_TRUE(backup::hasRoom(source, target));
    // A full file system: replacing a file of the same size fits, a smaller
    // one does not.
    backup::setFreeSpaceProbe([](const QString&) { return qint64(0); });
    writeFile(target, pattern(1000));
    EXPECT_TRUE(backup::hasRoom(source, target));
    writeFile(target, pattern(999));
    EXPECT_FALSE(backup::hasRoom(source, target));
    // Free space unknown: the copy finds out itself.
    backup::setFreeSpaceProbe([](const QString&) { return qint64(-1); });
    EXPECT_TRUE(backup::hasRoom(source, target));
    // The real figure of the file system.
    backup::setFreeSpaceProbe({});
    EXPECT_GT(backup::freeSpace(to.path()), 0);
}

TEST(InFolder, JoinsWithoutDoublingTheRoot) {
    EXPECT_EQ(backup::inFolder("/", "MASTER.DBF"), "/MASTER.DBF");
    EXPECT_EQ(backup::inFolder("/media/usb", "MASTER.DBF"), "/media/usb/MASTER.DBF");
    EXPECT_EQ(backup::inFolder("/media/usb/", "MASTER.DBF"), "/media/usb/MASTER.DBF");
}

}  // namespace
