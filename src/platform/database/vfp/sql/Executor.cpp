#include "platform/database/vfp/sql/Executor.h"

#include "platform/database/vfp/sql/Evaluator.h"
#include "platform/database/vfp/sql/IndexSeek.h"
#include "platform/database/vfp/sql/Parser.h"
#include "platform/database/vfp/sql/ScanProgram.h"
#include "platform/database/vfp/sql/Script.h"
#include "platform/database/vfp/sql/Select.h"
#include "platform/database/vfp/sql/SqlError.h"

#include <algorithm>

namespace vfp::sql {

namespace {

int FieldOf(const Table &table, const std::string &name, int position)
{
    const int field = table.fieldIndex(name);
    if (field < 0)
        ThrowAt(position, name, "column '" + name + "' is not found");
    return field;
}

int RunInsert(Database &database, const InsertStatement &statement)
{
    std::shared_ptr<Table> table = database.table(statement.table.name);
    std::vector<int> fields;
    if (statement.columns.empty()) {
        for (size_t i = 0; i < table->fields().size(); ++i)
            fields.push_back(static_cast<int>(i));
    } else {
        for (size_t i = 0; i < statement.columns.size(); ++i) {
            const int field = FieldOf(*table, statement.columns[i], statement.columnPositions[i]);
            if (std::find(fields.begin(), fields.end(), field) != fields.end())
                ThrowAt(
                    statement.columnPositions[i], statement.columns[i], "column is named twice");
            fields.push_back(field);
        }
    }
    if (fields.size() != statement.values.size()) {
        const int position = statement.values.empty() ? statement.table.position
                                                      : statement.values.front()->position;
        ThrowAt(position, "VALUES", "the number of values does not match the columns");
    }
    // Values are constants: no table is in scope for them.
    RowState scope({});
    FieldValues values;
    for (size_t i = 0; i < fields.size(); ++i) {
        NodePtr node = Bind(*statement.values[i], scope);
        values.emplace_back(fields[i], Evaluate(*node, scope));
    }
    table->checkWritable(fields);
    table->append(values);
    return 1;
}

int RunUpdate(Database &database, const UpdateStatement &statement)
{
    std::shared_ptr<Table> table = database.table(statement.table.name);
    RowState state({ SourceTable { statement.table.name, {}, table } });
    std::vector<int> fields;
    std::vector<NodePtr> values;
    for (const Assignment &assignment : statement.assignments) {
        const int field = FieldOf(*table, assignment.column, assignment.position);
        if (std::find(fields.begin(), fields.end(), field) != fields.end())
            ThrowAt(assignment.position, assignment.column, "column is named twice");
        fields.push_back(field);
        values.push_back(Bind(*assignment.value, state));
    }
    // The WHERE's AND terms, tested in the order written as compiled steps on the records'
    // bytes. Where a term is not compiled, the WHERE is evaluated whole instead: a term that
    // is null does not end AND as .F. does, so a later term's error is raised as it always was.
    std::vector<std::vector<NodePtr>> where(1);
    if (statement.where) {
        std::vector<const Expr *> terms;
        Conjuncts(*statement.where, terms);
        for (const Expr *term : terms)
            where[0].push_back(Bind(*term, state));
    }
    table->checkWritable(fields);
    std::shared_ptr<const ScanProgram> program = ScanProgram::compile(state, where, {});
    for (size_t i = 0; i < where[0].size() && where[0].size() > 1; ++i) {
        if (!program->compiled(0, i)) {
            where[0].clear();
            where[0].push_back(Bind(*statement.where, state));
            program = ScanProgram::compile(state, where, {});
        }
    }

    // Every new value is computed and converted to its field before the first write, so a
    // failing expression or a value that does not fit changes nothing; each record is then
    // rewritten under its own lock.
    uint64_t evaluations = 0;
    std::vector<std::pair<uint32_t, FieldValues>> pending;
    const auto change = [&](uint32_t recno) {
        FieldValues changes;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (values[i]->op != Node::Op::Literal && values[i]->op != Node::Op::Column)
                ++evaluations;
            changes.emplace_back(fields[i], Evaluate(*values[i], state));
        }
        try {
            table->checkChanges(changes);
        } catch (const Error &error) {
            throw Error(std::string(error.what()) + " (record " + std::to_string(recno)
                + "); no record was changed");
        }
        pending.emplace_back(recno, std::move(changes));
    };
    try {
        const bool indexed = VisitIndexedRecords(state, 0, where[0], [&](uint32_t recno) {
            if (PassesConditions(*program, 0, where[0], 0, state, evaluations))
                change(recno);
        });
        if (!indexed)
            ScanPassingRecords(
                *program, where[0], state, 1, table->recordCount(), evaluations, change);
    } catch (...) {
        CountInterpretedEvaluations(evaluations);
        throw;
    }
    CountInterpretedEvaluations(evaluations);
    for (const auto &[recno, changes] : pending)
        table->update(recno, changes);
    return static_cast<int>(pending.size());
}

void RunExecScript(Database &database, const ExecScriptStatement &statement)
{
    RowState scope({});
    NodePtr node = Bind(*statement.script, scope);
    const Value &script = Evaluate(*node, scope);
    if (!script.isText())
        ThrowAt(statement.script->position, "EXECSCRIPT", "the script must be a text");
    RunScript(database, script.text());
}

} // namespace

ExecutionResult Execute(Database &database, std::string_view sql)
{
    const Statement statement = ParseStatement(sql);
    ExecutionResult result;
    switch (statement.kind) {
    case Statement::Kind::Select:
        result.rows = RunSelect(database, *statement.select);
        break;
    case Statement::Kind::Insert:
        result.affected = RunInsert(database, *statement.insert);
        break;
    case Statement::Kind::Update:
        result.affected = RunUpdate(database, *statement.update);
        break;
    case Statement::Kind::ExecScript:
        RunExecScript(database, *statement.execScript);
        break;
    }
    return result;
}

} // namespace vfp::sql
