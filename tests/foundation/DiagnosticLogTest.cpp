#include "foundation/DiagnosticLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace varno {
namespace {

class DiagnosticLogTest : public testing::Test {
protected:
    QTemporaryDir folder;
    const QString log = QDir(folder.path()).filePath("varno.log");

    static void put(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(absent)");
    }
};

// Whether a run that starts with the file at a given size sets it aside, at its start or as its first
// line crosses the limit; the one previous file is replaced, and the new file holds the lines after.
TEST_F(DiagnosticLogTest, SetsTheFileAsideOnceItHasReachedTheLimit)
{
    struct Case {
        qint64 sizeBefore;
        bool setAside;
        bool midRun; // set aside as the first line crossed the limit: that line is in the previous file
    };
    for (const Case& c : {Case{100, false, false}, Case{kDiagnosticLogLimit - 20, true, true},
                          Case{kDiagnosticLogLimit, true, false}, Case{kDiagnosticLogLimit + 4096, true, false}}) {
        put(log, QByteArray(c.sizeBefore, 'x'));
        put(log + ".1", "an older run\n");
        ASSERT_TRUE(startDiagnosticLog(log));
        qCInfo(logRun, "first line of this run");
        qCInfo(logRun, "second line of this run");
        stopDiagnosticLog();

        const QByteArray current = read(log);
        const QByteArray previous = read(log + ".1");
        SCOPED_TRACE(c.sizeBefore);
        EXPECT_EQ(previous.startsWith(QByteArray(c.sizeBefore, 'x')), c.setAside);
        EXPECT_EQ(previous == "an older run\n", !c.setAside);
        EXPECT_TRUE(current.contains("second line of this run"));
        EXPECT_EQ(current.contains("first line of this run"), !c.midRun);
        EXPECT_EQ(previous.contains("first line of this run"), c.midRun);
        EXPECT_LT(current.size(), c.setAside ? 1024 : c.sizeBefore + 1024);
        EXPECT_FALSE(QFile::exists(log + ".lock"));
    }
}

// The second of two runs that both found the file full, once the first has set it aside: the size is
// read again by name, so the previous file is not replaced by the first run's new one.
TEST_F(DiagnosticLogTest, AFileAlreadySetAsideIsNotSetAsideAgain)
{
    put(log, QByteArray(kDiagnosticLogLimit, 'x'));
    EXPECT_TRUE(setLogAsideIfFull(log));
    put(log, "the first run's new file\n");
    EXPECT_FALSE(setLogAsideIfFull(log));
    EXPECT_EQ(read(log), "the first run's new file\n");
    EXPECT_EQ(read(log + ".1").size(), kDiagnosticLogLimit);
}

// A full file that cannot be set aside (here a lock it cannot take) gets one line that says so, then
// nothing more, whether it is full at the run's start or becomes full during it.
TEST_F(DiagnosticLogTest, AFullFileThatCannotBeSetAsideStopsGrowing)
{
    ASSERT_TRUE(QDir(folder.path()).mkdir("varno.log.lock"));
    for (const qint64 sizeBefore : {kDiagnosticLogLimit, kDiagnosticLogLimit - 20}) {
        put(log, QByteArray(sizeBefore, 'x'));
        ASSERT_EQ(startDiagnosticLog(log), sizeBefore < kDiagnosticLogLimit);
        for (int line = 0; line < 3; ++line) {
            qCInfo(logRun, "a line of this run");
        }
        stopDiagnosticLog();
        const QByteArray written = read(log).mid(sizeBefore);
        SCOPED_TRACE(sizeBefore);
        EXPECT_EQ(written.count("journal plein : il ne peut pas être mis de côté"), 1) << written.toStdString();
        EXPECT_LE(written.count("a line of this run"), 1);
        EXPECT_FALSE(QFile::exists(log + ".1"));
    }
}

} // namespace
} // namespace varno
