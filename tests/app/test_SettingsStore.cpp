#include "app/IniFile.h"
#include "app/SettingsStore.h"
#include "support/TempDir.h"
#include "util/Errors.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <gmock/gmock.h>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

TEST(IniInteger, DecimalHexAndEverythingElseGivesTheDefault)
{
    const struct
    {
        const char *text;
        int expected;
    } cases[] = {
        { "0", 0 },
        { "5", 5 },
        { "-1", -1 },
        { "+3", 3 },
        { " 7 ", 7 },
        { "0x1F", 31 },
        { "0X1f", 31 },
        { "-0x10", -16 },
        { "2147483647", 2147483647 },
        { "-2147483648", -2147483647 - 1 },
        { "abc", 42 },
        { "12abc", 42 },
        { "", 42 },
        { "0x", 42 },
        { "0xg1", 42 },
        { "--1", 42 },
        { "1.5", 42 },
        { "2147483648", 42 },
        { "99999999999", 42 },
        { "٣", 42 },
    };
    for (const auto &c : cases)
        EXPECT_EQ(ParseIniInteger(QString::fromUtf8(c.text), 42), c.expected) << c.text;
}

TEST(LineBreakCodec, RoundTripsAnyTextAndLeavesPlainPathsReadable)
{
    const QString texts[] = {
        QStringLiteral("one line"),
        QStringLiteral("Dear customer,\r\n\r\nplease find attached.\r\n"),
        QStringLiteral("unix\nbreaks\n"),
        QStringLiteral("C:\\new\\reports"),
        QStringLiteral("\\\\server\\share\\"),
        QStringLiteral("literal \\n and \\r and \\\\"),
        QStringLiteral("\\"),
    };
    for (const QString &text : texts) {
        const QString stored = EncodeLineBreaks(text);
        EXPECT_FALSE(stored.contains(QLatin1Char('\n')) || stored.contains(QLatin1Char('\r')))
            << qPrintable(text);
        EXPECT_EQ(DecodeLineBreaks(stored), text) << qPrintable(stored);
    }
    // What a plain reader sees.
    EXPECT_EQ(
        EncodeLineBreaks(QStringLiteral("C:\\Opera\\Data")), QStringLiteral("C:\\Opera\\Data"));
    EXPECT_EQ(EncodeLineBreaks(QStringLiteral("Hello\nWorld")), QStringLiteral("Hello\\nWorld"));
    // A foreign value with an unknown escape keeps its backslash.
    EXPECT_EQ(DecodeLineBreaks(QStringLiteral("C:\\data")), QStringLiteral("C:\\data"));
}

TEST(WorkstationCode, StableUpperCaseAndSafeInsideBrackets)
{
    EXPECT_EQ(WorkstationCodeFor(QStringLiteral("pc-01")), QStringLiteral("PC-01"));
    EXPECT_EQ(
        WorkstationCodeFor(QStringLiteral("PC-01")), WorkstationCodeFor(QStringLiteral("pc-01")));
    EXPECT_NE(
        WorkstationCodeFor(QStringLiteral("pc-01")), WorkstationCodeFor(QStringLiteral("pc-02")));
    EXPECT_EQ(WorkstationCodeFor(QStringLiteral("my host]=x")), QStringLiteral("MY_HOST__X"));
    EXPECT_EQ(WorkstationCodeFor(QString()), QStringLiteral("WORKSTATION"));
    EXPECT_EQ(WorkstationCode(), WorkstationCode());
}

TEST(SettingsFile, BesideTheProgramWithIniExtension)
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    const QFileInfo settings(SettingsFilePath());
    EXPECT_EQ(settings.absolutePath(), program.absolutePath());
    EXPECT_EQ(settings.fileName(), program.completeBaseName() + QStringLiteral(".ini"));
}

TEST(IniFile, MissingFileSectionOrKeyReadsNothingAndEmptyValueReadsEmpty)
{
    TempDir dir;
    const IniFile ini(dir.file(QStringLiteral("a.ini")));
    EXPECT_FALSE(ini.read(QStringLiteral("WS"), QStringLiteral("Key")));
    WriteAll(ini.path(), "[WS]\nCompanyID=\nOther=1\n");
    EXPECT_EQ(ini.read(QStringLiteral("WS"), QStringLiteral("CompanyID")), QString());
    EXPECT_FALSE(ini.read(QStringLiteral("WS"), QStringLiteral("Missing")));
    EXPECT_FALSE(ini.read(QStringLiteral("Other"), QStringLiteral("CompanyID")));
}

TEST(IniFile, NamesIgnoreCaseAndAWriteKeepsTheRestOfTheFileByteForByte)
{
    TempDir dir;
    const IniFile ini(dir.file(QStringLiteral("a.ini")));
    const QByteArray original = "; kept comment\r\n[Foreign]\r\nOperaADO=theirs\r\n\r\n"
                                "[ws-1]\r\n OPERAADO = old value \r\nunknown=keep me\r\n\r\n"
                                "[Last]\r\nx=1\r\n";
    WriteAll(ini.path(), original);

    EXPECT_EQ(
        ini.read(QStringLiteral("WS-1"), QStringLiteral("operaado")), QStringLiteral("old value"));
    ini.write(QStringLiteral("WS-1"), QStringLiteral("OperaADO"), QStringLiteral("new"));
    ini.write(QStringLiteral("WS-1"), QStringLiteral("CompanyID"), QStringLiteral("B"));

    QByteArray expected = original;
    expected.replace(" OPERAADO = old value \r\n", " OPERAADO =new\r\n");
    expected.replace("unknown=keep me\r\n", "unknown=keep me\r\nCompanyID=B\r\n");
    EXPECT_EQ(ReadAll(ini.path()), expected);
    EXPECT_EQ(
        ini.read(QStringLiteral("Foreign"), QStringLiteral("OperaADO")), QStringLiteral("theirs"));
}

TEST(IniFile, ValuesKeepTheirBlanksAndQuotes)
{
    TempDir dir;
    const IniFile ini(dir.file(QStringLiteral("a.ini")));
    for (const QString &value : { QStringLiteral("Documents from "), QStringLiteral("  both  "),
             QStringLiteral("\"quoted\""), QStringLiteral("\""), QStringLiteral("plain text") }) {
        ini.write(QStringLiteral("WS"), QStringLiteral("Key"), value);
        EXPECT_EQ(ini.read(QStringLiteral("WS"), QStringLiteral("Key")), value)
            << qPrintable(value);
    }
    // Written without quotes where none are needed.
    EXPECT_TRUE(ReadAll(ini.path()).contains("Key=plain text\n"));
}

TEST(IniFile, FailedWritesReportThePathAndChangeNothing)
{
    TempDir dir;
    const QString missingFolder = dir.file(QStringLiteral("no/such/folder/a.ini"));
    try {
        IniFile(missingFolder)
            .write(QStringLiteral("WS"), QStringLiteral("Key"), QStringLiteral("v"));
        FAIL() << "no error";
    } catch (const Exception &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Unable to write to ") + missingFolder);
    }

    // A line break would split the value into lines of its own (and could forge keys).
    const IniFile ini(dir.file(QStringLiteral("a.ini")));
    WriteAll(ini.path(), "[WS]\nKey=old\n");
    EXPECT_THROW(ini.write(QStringLiteral("WS"), QStringLiteral("Key"),
                     QStringLiteral("x\n[Other]\nKey=forged")),
        Exception);
    EXPECT_EQ(ReadAll(ini.path()), QByteArray("[WS]\nKey=old\n"));
}

TEST(SettingsStore, TwoWorkstationsShareOneFileWithoutDisturbingEachOther)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("velloran.ini"));
    const SettingsStore first(path, QStringLiteral("PC-1"));
    const SettingsStore second(path, QStringLiteral("PC-2"));
    first.writeText(SettingsKey::CompanyID, QStringLiteral("A"));
    second.writeText(SettingsKey::CompanyID, QStringLiteral("B"));
    first.writeInteger(SettingsKey::cboPrinter, -1);
    second.writeMultiLine(SettingsKey::EMailBody, QStringLiteral("two\nlines"));

    EXPECT_EQ(first.readText(SettingsKey::CompanyID, QString()), QStringLiteral("A"));
    EXPECT_EQ(second.readText(SettingsKey::CompanyID, QString()), QStringLiteral("B"));
    EXPECT_EQ(first.readInteger(SettingsKey::cboPrinter, 0), -1);
    EXPECT_EQ(second.readInteger(SettingsKey::cboPrinter, 7), 7);
    EXPECT_EQ(
        second.readMultiLine(SettingsKey::EMailBody, QString()), QStringLiteral("two\nlines"));
    EXPECT_EQ(first.readMultiLine(SettingsKey::EMailBody, QStringLiteral("default")),
        QStringLiteral("default"));
}
