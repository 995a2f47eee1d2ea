// The stored text of N fields read as numbers: the quick path for plain digits must give what
// the general parser gives, and damage reads as 0.

#include "platform/database/vfp/FieldCodec.h"
#include "platform/database/vfp/Table.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>

namespace {

TEST(StoredNumbers, FieldTextsReadAsTheirNumbers)
{
    using namespace std::string_literals;
    const struct
    {
        std::string text;
        double number;
    } cases[] = { { "", 0 }, { "          ", 0 }, { "   12.50", 12.5 }, { "-1234.56", -1234.56 },
        { "+7", 7 }, { "  -0.01", -0.01 }, { "5.", 5 }, { ".25", 0.25 }, { "\0\0 42\0"s, 42 },
        { "**********", 0 }, { "-", 0 }, { ".", 0 }, { "1e3", 1000 },
        { "1234567890123456789", 1234567890123456789.0 }, { "1.2.3", 1.2 }, { "12 34", 12 } };
    for (const auto &c : cases)
        EXPECT_EQ(c.number, vfp::ParseNumber(c.text)) << '"' << c.text << '"';
    EXPECT_TRUE(std::signbit(vfp::ParseNumber("  -0.00")));
}

// Every decimal text of up to 15 digits reads as the correctly rounded double.
TEST(StoredNumbers, PlainDigitsRoundAsTheGeneralParser)
{
    std::mt19937_64 random(5);
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 15);
        std::string text = std::to_string(random() % 1000000000000000ull).substr(0, digits);
        const size_t point = random() % (text.size() + 1);
        if (point < text.size())
            text.insert(point, ".");
        if (random() % 2)
            text.insert(0, "-");
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        EXPECT_EQ(expected, vfp::ParseNumber("   " + text)) << text;
    }
}

// A new record's N field too narrow for its decimals (a damaged header, found by the fuzzer)
// cannot hold 0: it is left blank, which reads as 0, and nothing past the zero text is copied.
TEST(StoredNumbers, ABlankNumberThatDoesNotFitIsBlanks)
{
    vfp::FieldLayout field;
    field.info.type = 'N';
    field.info.length = 3;
    field.info.decimals = 19;
    field.offset = 1;
    std::string record(5, '#');
    vfp::BlankField(field, record.data());
    EXPECT_EQ("#   #", record);
    EXPECT_EQ(0.0, vfp::ParseNumber(record.substr(1, 3)));

    field.info.decimals = 1;
    vfp::BlankField(field, record.data());
    EXPECT_EQ("#0.0#", record);
}

} // namespace
