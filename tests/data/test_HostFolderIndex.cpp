// The folder index's table of names: letter case beyond ASCII, links, a folder large enough
// for names to share slots, and the index kept from one reader to the next.
#include "data/FolderIndexCache.h"
#include "data/HostPath.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

void Touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(HostFolderIndex, LettersBeyondAsciiMatchInAnyCase)
{
    TempDir temp;
    Touch(temp.file(QStringLiteral("Ärger-Öl.PDF")));
    Touch(temp.file(QStringLiteral("straße.pdf")));
    const HostFolderIndex index(temp.path());
    EXPECT_TRUE(index.containsFile(QStringLiteral("ärger-öl.pdf")));
    EXPECT_TRUE(index.containsFile(QStringLiteral("ÄRGER-ÖL.PDF")));
    EXPECT_TRUE(index.containsFile(QStringLiteral("STRAßE.PDF")));
    EXPECT_FALSE(index.containsFile(QStringLiteral("arger-ol.pdf")));
    EXPECT_EQ(
        index.filePath(QStringLiteral("ärger-öl.pdf")), temp.file(QStringLiteral("Ärger-Öl.PDF")));
}

// A link counts as the file it leads to; a link to a folder or to nothing is no file.
TEST(HostFolderIndex, LinksCountAsTheFileTheyLeadTo)
{
    TempDir temp;
    ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("pdf/sub")));
    Touch(temp.file(QStringLiteral("target.pdf")));
    const QString pdf = temp.file(QStringLiteral("pdf/"));
    ASSERT_TRUE(
        QFile::link(temp.file(QStringLiteral("target.pdf")), pdf + QStringLiteral("A.PDF")));
    ASSERT_TRUE(QFile::link(pdf + QStringLiteral("sub"), pdf + QStringLiteral("B.PDF")));
    ASSERT_TRUE(QFile::link(temp.file(QStringLiteral("gone.pdf")), pdf + QStringLiteral("C.PDF")));
    const HostFolderIndex index(pdf);
    EXPECT_TRUE(index.containsFile(QStringLiteral("a.pdf")));
    EXPECT_FALSE(index.containsFile(QStringLiteral("B.PDF")));
    EXPECT_FALSE(index.containsFile(QStringLiteral("C.PDF")));
    EXPECT_FALSE(index.containsFile(QStringLiteral("sub")));
}

// Thousands of names, each found in another letter case, and none that is not there.
TEST(HostFolderIndex, EveryNameOfALargeFolderIsFound)
{
    TempDir temp;
    constexpr int Files = 3000;
    for (int i = 0; i < Files; ++i)
        Touch(temp.file(QStringLiteral("Inv%1.PDF").arg(i)));
    const HostFolderIndex index(temp.path());
    int found = 0;
    for (int i = 0; i < Files; ++i)
        found += index.containsFile(QStringLiteral("INV%1.pdf").arg(i)) ? 1 : 0;
    EXPECT_EQ(found, Files);
    int strays = 0;
    for (int i = Files; i < 2 * Files; ++i)
        strays += index.containsFile(QStringLiteral("Inv%1.PDF").arg(i)) ? 1 : 0;
    strays += index.containsFile(QStringLiteral("Inv1.PDF ")) ? 1 : 0;
    strays += index.containsFile(QStringLiteral("Inv1.PD")) ? 1 : 0;
    EXPECT_EQ(strays, 0);
    EXPECT_EQ(
        index.filePath(QStringLiteral("inv2999.pdf")), temp.file(QStringLiteral("Inv2999.PDF")));
}

// Names alike in their first sixteen bytes, or just that long, are told apart by the rest,
// looked up one by one and many at once.
TEST(HostFolderIndex, NamesAlikeInTheirFirstBytesAreToldApart)
{
    TempDir temp;
    for (const char *name : { "Statement-2026-11-A.PDF", "Statement-2026-11-B.PDF",
             "0123456789ABCDEF", "0123456789ABCDE" })
        Touch(temp.file(QString::fromLatin1(name)));
    const HostFolderIndex index(temp.path());
    const std::vector<std::string> names { "statement-2026-11-a.pdf", "STATEMENT-2026-11-B.PDF",
        "Statement-2026-11-C.PDF", "Statement-2026-11-A.PD", "0123456789abcdef", "0123456789abcde",
        "0123456789ABCDEF0", "0123456789ABCD" };
    const std::vector<bool> expected { true, true, false, false, true, true, false, false };
    const std::vector<std::string_view> views(names.begin(), names.end());
    EXPECT_EQ(index.containsFiles(views), expected);
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(index.containsFile(std::string_view(names[i])), expected[i]) << names[i];
}

// A name given in UTF-8 is found exactly when the same name as a QString is: ASCII in any case,
// letters beyond ASCII, names with a separator, blanks kept, a name longer than any entry.
TEST(HostFolderIndex, Utf8NamesAreFoundAsTheirTextIs)
{
    TempDir temp;
    Touch(temp.file(QStringLiteral("SI1000.PDF")));
    Touch(temp.file(QStringLiteral("si1001.pdf")));
    Touch(temp.file(QStringLiteral("Façade-É2.PDF")));
    ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("sub")));
    Touch(temp.file(QStringLiteral("sub/Inner.PDF")));
    const HostFolderIndex index(temp.path());
    const QStringList names { QStringLiteral("si1000.pdf"), QStringLiteral("SI1001.PDF"),
        QStringLiteral("Si1001.Pdf"), QStringLiteral("SI1002.PDF"), QStringLiteral("SI1000.PDF "),
        QStringLiteral(" SI1000.PDF"), QStringLiteral("façade-é2.pdf"),
        QStringLiteral("FAÇADE-É2.PDF"), QStringLiteral("facade-e2.pdf"),
        QStringLiteral("sub\\Inner.PDF"), QStringLiteral("sub/inner.pdf"),
        QStringLiteral("sub\\Other.PDF"), QString(300, u'A'), QString() };
    int found = 0;
    for (const QString &name : names) {
        const std::string utf8 = name.toStdString();
        const bool expected = index.containsFile(QStringView(name));
        EXPECT_EQ(index.containsFile(std::string_view(utf8)), expected) << utf8;
        found += expected ? 1 : 0;
    }
    EXPECT_EQ(found, 7);
}

// The index kept between readers is taken again only while the folder is unchanged.
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
