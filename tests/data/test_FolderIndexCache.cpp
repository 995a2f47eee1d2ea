// The folder index kept between readers: taken again only while the folder is unchanged.
#include "data/FolderIndexCache.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

void Touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(FolderIndexCache, AFolderChangedSinceItWasReadIsReadAgain)
{
    TempDir temp;
    Touch(temp.file(QStringLiteral("A.PDF")));
    const auto first = CurrentFolderIndex(temp.path());
    EXPECT_TRUE(first->containsFile(QStringLiteral("a.pdf")));
    EXPECT_FALSE(first->containsFile(QStringLiteral("b.pdf")));

    Touch(temp.file(QStringLiteral("B.PDF")));
    const auto added = CurrentFolderIndex(temp.path());
    EXPECT_TRUE(added->containsFile(QStringLiteral("b.pdf")));

    ASSERT_TRUE(QFile::remove(temp.file(QStringLiteral("A.PDF"))));
    const auto removed = CurrentFolderIndex(temp.path());
    EXPECT_FALSE(removed->containsFile(QStringLiteral("a.pdf")));
    EXPECT_TRUE(removed->containsFile(QStringLiteral("b.pdf")));

    ASSERT_TRUE(
        QFile::rename(temp.file(QStringLiteral("B.PDF")), temp.file(QStringLiteral("b.pdf"))));
    EXPECT_EQ(CurrentFolderIndex(temp.path())->filePath(QStringLiteral("B.PDF")),
        temp.file(QStringLiteral("b.pdf")));
}

// A folder written to within the file system's time step of its reading is read every time:
// a file added in the same step would leave its times as they were.
TEST(FolderIndexCache, AFolderJustWrittenIsNotKept)
{
    TempDir temp;
    Touch(temp.file(QStringLiteral("A.PDF")));
    const auto first = CurrentFolderIndex(temp.path());
    const auto second = CurrentFolderIndex(temp.path());
    EXPECT_NE(first.get(), second.get());
}

// Once the folder's times are older than the time step, it is read once for any number of
// readers until a file is added; another folder's reading does not answer for it, and a folder
// whose files are links is read every time.
TEST(FolderIndexCache, ASettledFolderIsReadOnceUntilItChanges)
{
    TempDir temp;
    const QString pdf = temp.file(QStringLiteral("pdf"));
    const QString linked = temp.file(QStringLiteral("linked"));
    ASSERT_TRUE(QDir().mkpath(pdf));
    ASSERT_TRUE(QDir().mkpath(linked));
    Touch(pdf + QStringLiteral("/A.PDF"));
    ASSERT_TRUE(QFile::link(pdf + QStringLiteral("/A.PDF"), linked + QStringLiteral("/L.PDF")));
    // A folder's change time cannot be set back: wait until the times are older than the step.
    std::this_thread::sleep_for(std::chrono::milliseconds(3200));

    const auto first = CurrentFolderIndex(pdf);
    EXPECT_EQ(CurrentFolderIndex(pdf).get(), first.get());
    EXPECT_TRUE(first->containsFile(QStringLiteral("a.pdf")));

    const auto viaLinks = CurrentFolderIndex(linked);
    EXPECT_TRUE(viaLinks->containsFile(QStringLiteral("l.pdf")));
    EXPECT_NE(CurrentFolderIndex(linked).get(), viaLinks.get());
    EXPECT_FALSE(CurrentFolderIndex(linked)->containsFile(QStringLiteral("a.pdf")));

    Touch(pdf + QStringLiteral("/B.PDF"));
    const auto changed = CurrentFolderIndex(pdf);
    EXPECT_NE(changed.get(), first.get());
    EXPECT_TRUE(changed->containsFile(QStringLiteral("b.pdf")));
}

} // namespace
