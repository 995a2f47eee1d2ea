#pragma once

#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "support/TempDir.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <memory>

// A small company whose names and memos hold what the export must carry: "é", "£", "€", a
// tab, a CR LF, lone CRs and LFs, double quotes, and a transaction without a customer (nulls).
// The query lists its transactions with the first field (the account) and the last (id) hidden.
class ExportCompanyTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The query over the company, open.
    db::Query &query() { return *m_query; }
    static QByteArray ReadFile(const QString &path);
    static void WriteFile(const QString &path, const QByteArray &bytes);

    // Each row's items as the query delivers them, visible fields only, in Windows 1252 bytes
    // (spelled out here, not produced by the exporter's own conversion).
    static QList<QList<QByteArray>> ExpectedItems();
    static QByteArray ExpectedTab();

    TempDir m_dir;
    QString m_folder;
    std::unique_ptr<db::Connection> m_connection;
    std::unique_ptr<db::Query> m_query;
};
