#include "SampleCompany.h"

namespace vfp::memory {

Value Date(int year, int month, int day)
{
    return Value::date(JulianDayFromCivil(year, month, day));
}

namespace {

Value C(const char *text)
{
    return Value::character(text);
}

Value N(double number, int decimals = 2)
{
    return Value::numeric(number, decimals);
}

Value L(bool flag)
{
    return Value::logical(flag);
}

} // namespace

std::unique_ptr<MemoryDatabase> MakeSampleCompany()
{
    auto db = std::make_unique<MemoryDatabase>();
    auto stran = db->addTable("z_stran",
        { MakeField("ST_ACCOUNT", 'C', 8), MakeField("ST_TRREF", 'C', 20),
            MakeField("ST_TRDATE", 'D', 8), MakeField("ST_CUSTREF", 'C', 20),
            MakeField("ST_TRTYPE", 'C', 1), MakeField("ST_TRVALUE", 'N', 12, 2),
            MakeField("ST_VATVAL", 'N', 12, 2), MakeField("ST_TRBAL", 'N', 12, 2),
            MakeField("ST_PAID", 'C', 1), MakeField("ST_MEMO", 'M', 4),
            MakeField("ID", 'N', 10, 0) });
    const auto tran = [&](const char *account, const char *ref, Value date, const char *custref,
                          const char *type, double value, double vat, double balance,
                          const char *memo, int id, bool deleted = false) {
        stran->addRow({ C(account), C(ref), date, C(custref), C(type), N(value), N(vat), N(balance),
                          C(" "), Value::memo(memo), N(id, 0) },
            deleted);
    };
    tran("A001", "INV001", Date(2011, 1, 18), "PO1", "I", 120, 20, 120, "INV001.PDF", 1);
    tran("A001", "CN001", Date(2011, 1, 20), "", "C", -24, -4, 0, "CN001.PDF", 2);
    tran("B002", "INV002", Date(2011, 2, 1), "REF X", "I", 60, 10, 60, "inv002.pdf", 3);
    tran("C003", "INV003", Date(2011, 3, 5), "", "I", 240, 40, 240, "INV003.PDF", 4);
    tran("E005", "INV004", Date(2011, 3, 6), "", "I", 10, 0, 10, "INV004.PDF", 5);
    tran("A001", "PAY001", Date(2011, 3, 7), "", "P", -120, 0, 0, "", 6);
    tran("A001", "INV005", Date(2011, 3, 8), "", "I", 50, 0, 50, "INV005.PDF", 7, true);
    tran("C003", "INV006", Date(2011, 4, 1), "", "I", 36, 6, 36,
        "A_VERY_LONG_DOCUMENT_NAME_0001.PDF", 8);
    tran("B002", "CN002", Value::date(0), "", "C", -6, -1, -6, "CN002.PDF", 9);

    auto sname = db->addTable("z_sname",
        { MakeField("SN_ACCOUNT", 'C', 8), MakeField("SN_NAME", 'C', 30),
            MakeField("SN_EMAIL", 'C', 60), MakeField("SN_DOCMAIL", 'I', 4) });
    sname->addRow({ C("A001"), C("Acme Ltd"), C("acme@example.com"), Value::integer(8) });
    sname->addRow({ C("B002"), C("O'Neil & Sons"), C(""), Value::integer(0) });
    sname->addRow({ C("C003"), C("Caf\xC3\xA9 Nord"), C("nord@example.org"), Value::integer(12) });
    sname->addRow({ C("E005"), C("Deleted Customer"), C(""), Value::integer(3) }, true);

    auto status = db->addTable("Z_ST_ZRQ",
        { MakeField("ST_ID", 'N', 10, 0), MakeField("ST_ZRQTAG", 'L', 1),
            MakeField("ST_ZRQSENT", 'L', 1), MakeField("ST_ZRQPRNT", 'L', 1) });
    status->addRow({ N(1, 0), L(true), L(true), L(false) });
    status->addRow({ N(4, 0), L(false), L(false), L(true) });
    status->addRow({ N(8, 0), L(true), L(false), L(false) });
    status->addRow({ N(8, 0), L(false), L(false), L(false) });

    auto itran = db->addTable(
        "z_itran", { MakeField("IT_NUMINV", 'C', 10), MakeField("IT_NUMDELV", 'C', 10) });
    itran->addRow({ C("INV003"), C("D2") });
    itran->addRow({ C("INV003"), C("D1") });
    itran->addRow({ C("INV003"), C("D1") });
    itran->addRow({ C(""), C("D9") });
    itran->addRow({ C("INV001"), C("D7") });

    auto ihead = db->addTable(
        "z_ihead", { MakeField("IH_CREDIT", 'C', 10), MakeField("IH_DELIV", 'C', 10) });
    ihead->addRow({ C("CN001"), C("D5") });
    ihead->addRow({ C(""), C("D6") });
    return db;
}

} // namespace vfp::memory
