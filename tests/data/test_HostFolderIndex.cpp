// The folder index's table of names: letter case beyond ASCII, links, and a folder large enough
// for names to share slots.
#include "data/HostPath.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

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

} // namespace
