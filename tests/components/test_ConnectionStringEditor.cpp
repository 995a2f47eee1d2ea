#include "components/ConnectionStringEditor.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

const QString Title = QStringLiteral("FrmSalesMain.dbOperaADO ConnectionString");

template <typename T> T *Find(QWidget *window, const char *name)
{
    return window->findChild<T *>(QString::fromLatin1(name));
}

// Runs Edit and acts on the modal editor once it is up.
bool EditWith(QString &connection, const std::function<void(QWidget *)> &act,
    ConnectionStringEditor::Builder builder = {})
{
    QTimer::singleShot(0, [&] {
        QWidget *window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr);
        act(window);
    });
    return ConnectionStringEditor::Edit(Title, connection, std::move(builder));
}

void Press(QWidget *window, const char *name)
{
    QTest::mouseClick(Find<QPushButton>(window, name), Qt::LeftButton);
}

TEST(ConnectionStringEditor, OpensOnTheChoiceTheStringNames)
{
    ConnectionStringEditor plain(Title, QStringLiteral("Provider=VFPOLEDB.1;Data Source=x"));
    EXPECT_EQ(plain.windowTitle(), Title);
    EXPECT_FALSE(plain.usesDataLinkFile());
    EXPECT_EQ(Find<QLineEdit>(&plain, "EdtConnectionString")->text(),
        QStringLiteral("Provider=VFPOLEDB.1;Data Source=x"));
    EXPECT_FALSE(Find<QComboBox>(&plain, "cbxDataLinkFile")->isEnabled());

    ConnectionStringEditor link(Title, QStringLiteral("FILE NAME=/srv/opera.udl"));
    EXPECT_TRUE(link.usesDataLinkFile());
    EXPECT_EQ(link.connectionString(), QStringLiteral("FILE NAME=/srv/opera.udl"));
    EXPECT_FALSE(Find<QLineEdit>(&link, "EdtConnectionString")->isEnabled());

    // Switching choice: OK would give "FILE NAME=" and the file.
    Find<QRadioButton>(&plain, "RadDataLinkFile")->setChecked(true);
    Find<QComboBox>(&plain, "cbxDataLinkFile")->setEditText(QStringLiteral("a.udl"));
    EXPECT_EQ(plain.connectionString(), QStringLiteral("FILE NAME=a.udl"));
}

TEST(ConnectionStringEditor, ReportsAChangeOnlyWhenOkGivesANewString)
{
    QString connection = QStringLiteral("<None>");
    EXPECT_FALSE(EditWith(connection, [](QWidget *w) { Press(w, "BtnOK"); }));
    EXPECT_EQ(connection, QStringLiteral("<None>"));

    EXPECT_FALSE(EditWith(connection, [](QWidget *w) {
        Find<QLineEdit>(w, "EdtConnectionString")->setText(QStringLiteral("changed"));
        Press(w, "BtnCancel");
    }));
    EXPECT_EQ(connection, QStringLiteral("<None>"));

    EXPECT_TRUE(EditWith(connection, [](QWidget *w) {
        Find<QLineEdit>(w, "EdtConnectionString")->setText(QStringLiteral("changed"));
        Press(w, "BtnOK");
    }));
    EXPECT_EQ(connection, QStringLiteral("changed"));
}

TEST(ConnectionStringEditor, BuildPutsTheComposedStringIntoTheField)
{
    QString connection = QStringLiteral("old");
    QString seen;
    const auto builder = [&](QWidget *, const QString &current) {
        seen = current;
        return QStringLiteral("built");
    };
    EXPECT_TRUE(EditWith(
        connection,
        [](QWidget *w) {
            Press(w, "BtnBuild");
            Press(w, "BtnOK");
        },
        builder));
    EXPECT_EQ(seen, QStringLiteral("old"));
    EXPECT_EQ(connection, QStringLiteral("built"));
}

} // namespace
