// A bound expression holds no run-time value: states of several threads evaluate one bound
// plan each over records of their own.

#include "SampleCompany.h"
#include "platform/database/vfp/sql/Evaluator.h"
#include "platform/database/vfp/sql/Parser.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using namespace vfp::sql;

// The expression as a SELECT's single output, bound over z_stran.
struct Bound
{
    explicit Bound(vfp::Database &database, const std::string &expression)
        : statement(ParseStatement("SELECT " + expression + " FROM z_stran"))
        , state({ SourceTable { "z_stran", {}, database.table("z_stran") } })
        , node(Bind(*statement.select->items[0].expr, state))
    { }

    Statement statement;
    RowState state;
    NodePtr node;
};

TEST(BoundPlan, StatesKeepTheirOwnValuesOfOneBoundExpression)
{
    auto db = vfp::memory::MakeSampleCompany();
    Bound bound(*db, "UPPER(TRIM(st_account)) + '/' + CAST(id * 2 AS C(6))");
    RowState other({ SourceTable { "z_stran", {}, db->table("z_stran") } }, bound.state.layout());

    bound.state.setRecord(0, 1);
    other.setRecord(0, 2);
    const vfp::Value &first = Evaluate(*bound.node, bound.state);
    const std::string firstText = first.text();
    const vfp::Value &second = Evaluate(*bound.node, other);
    // The other state's evaluation leaves the first one's value as it was.
    EXPECT_EQ(firstText, first.text());
    EXPECT_NE(first.text(), second.text());
    EXPECT_EQ(&first, &Evaluate(*bound.node, bound.state));
}

TEST(BoundPlan, ThreadsEvaluateOneBoundExpressionTogether)
{
    auto db = vfp::memory::MakeSampleCompany();
    Bound bound(*db, "IIF(st_trvalue > 100, UPPER(st_custref), LOWER(st_trref)) + STR(id, 4)");
    const uint32_t records = db->table("z_stran")->recordCount();
    std::vector<std::string> alone;
    for (uint32_t recno = 1; recno <= records; ++recno) {
        bound.state.setRecord(0, recno);
        alone.push_back(Evaluate(*bound.node, bound.state).text());
    }
    std::vector<std::vector<std::string>> byThread(2);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < byThread.size(); ++t) {
        threads.emplace_back([&, t] {
            // Tables held in memory are read as they are; a table in a file by a reader of its own.
            std::shared_ptr<vfp::Table> table = db->table("z_stran")->openReader();
            if (!table)
                table = db->table("z_stran");
            RowState state({ SourceTable { "z_stran", {}, table } }, bound.state.layout());
            for (int round = 0; round < 2000; ++round) {
                for (uint32_t recno = 1; recno <= records; ++recno) {
                    state.setRecord(0, recno);
                    const std::string text = Evaluate(*bound.node, state).text();
                    if (round == 0)
                        byThread[t].push_back(text);
                }
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    for (const auto &texts : byThread)
        EXPECT_EQ(alone, texts);
}

} // namespace
