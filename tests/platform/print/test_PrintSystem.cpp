#include "platform/print/ScriptedPrintSystem.h"
#include "util/Errors.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace {

const PrinterInfo Main { QStringLiteral("Main"), QStringLiteral("Main"), QStringLiteral("Make"),
    QStringLiteral("ipp://h/q") };
const PrinterInfo Office { QStringLiteral("Office"), QStringLiteral("Office"), {}, {} };

TEST(PrintSystemCurrentPrinter, StartsAsTheDefaultAndFollowsMakeCurrent)
{
    ScriptedPrintSystem printing({ Office, Main }, QStringLiteral("Main"));
    EXPECT_EQ(printing.currentPrinter(), Main);
    printing.makeCurrent(Office);
    EXPECT_EQ(printing.currentPrinter(), Office);
    printing.makeCurrent(std::nullopt);
    EXPECT_EQ(printing.currentPrinter(), Main);

    // The description comes from the print system as it is now, and a printer that is gone is
    // refused, leaving the current printer as it was.
    printing.makeCurrent(PrinterInfo { QStringLiteral("Office"), QStringLiteral("old"), {}, {} });
    EXPECT_EQ(printing.currentPrinter(), Office);
    EXPECT_THROW(
        printing.makeCurrent(PrinterInfo { QStringLiteral("Gone"), {}, {}, {} }), Exception);
    EXPECT_EQ(printing.currentPrinter(), Office);

    EXPECT_TRUE(printing.isDefaultPrinter(Main));
    EXPECT_FALSE(printing.isDefaultPrinter(Office));
    EXPECT_FALSE(printing.isDefaultPrinter(std::nullopt));
}

TEST(PrintSystemCurrentPrinter, SelectedPrinterIsTheListItemOrNone)
{
    const QList<PrinterInfo> listed { Office, Main };
    EXPECT_EQ(SelectedPrinter(listed, 1), Main);
    EXPECT_FALSE(SelectedPrinter(listed, -1).has_value());
    EXPECT_FALSE(SelectedPrinter(listed, 2).has_value());
}

TEST(PrintSystemCurrentPrinter, WithoutPrintersThereIsNoCurrentPrinter)
{
    ScriptedPrintSystem printing;
    EXPECT_FALSE(printing.defaultPrinter().has_value());
    EXPECT_THROW(printing.currentPrinter(), Exception);
    EXPECT_THROW(printing.makeCurrent(std::nullopt), Exception);
    EXPECT_THROW(printing.makeCurrent(Office), Exception);
    // A default name that is not in the list is no default printer.
    printing.setPrinters({ Office }, QStringLiteral("Gone"));
    EXPECT_THROW(printing.currentPrinter(), Exception);
}

TEST(PrinterParameterText, QuotesEveryNameAndParsesBack)
{
    EXPECT_EQ(PrinterParameterText(Office), u"\"Office\" \"\" \"\"");
    EXPECT_EQ(PrinterParameterText(Main), u"\"Main\" \"Make\" \"ipp://h/q\"");
    EXPECT_THAT(
        ParsePrinterParameterText(PrinterParameterText(Office)), ElementsAre(u"Office", u"", u""));
    const PrinterInfo spaced { {}, QStringLiteral("Floor 2 Laser"), QStringLiteral("HP LaserJet 4"),
        QStringLiteral("socket://10.0.0.9:9100") };
    EXPECT_THAT(ParsePrinterParameterText(PrinterParameterText(spaced)),
        ElementsAre(u"Floor 2 Laser", u"HP LaserJet 4", u"socket://10.0.0.9:9100"));
    // Unquoted names are separated by blanks; an unterminated quote runs to the end.
    EXPECT_THAT(ParsePrinterParameterText(QStringLiteral("  Office  usb \"a b")),
        ElementsAre(u"Office", u"usb", u"a b"));
    EXPECT_TRUE(ParsePrinterParameterText(QStringLiteral("   ")).isEmpty());
}

} // namespace
