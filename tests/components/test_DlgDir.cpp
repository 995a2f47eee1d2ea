#include "components/DlgDir.h"
#include "components/DlgDirFm.h"

#include "support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

struct Picker
{
    explicit Picker(const QString &start, bool alias = false, const QStringList &aliases = {})
        : window(QString(), start, alias, aliases)
    {
        window.show();
    }
    QLineEdit *edit() { return window.findChild<QLineEdit *>(QStringLiteral("EdtDir")); }
    QPushButton *okay() { return window.findChild<QPushButton *>(QStringLiteral("BtnOkay")); }
    TDirectoryList *list() { return window.findChild<TDirectoryList *>(QStringLiteral("DirBox")); }

    TGetDirectory window;
};

// Runs Execute and acts on the modal window once it is up.
bool ExecuteWith(TDirDialog &dialog, const std::function<void(QWidget *)> &act)
{
    QTimer::singleShot(0, [&] {
        QWidget *window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr);
        act(window);
    });
    return dialog.Execute();
}

TEST(DlgDir, WindowPartsAndTitle)
{
    TempDir temp;
    Picker picker(temp.path());
    EXPECT_EQ(picker.window.windowTitle(), QStringLiteral("Directory Browser"));
    EXPECT_EQ(picker.window.size(), QSize(465, 244));
    EXPECT_FALSE(picker.window.findChild<QPushButton *>(QStringLiteral("BtnHelp"))->isEnabled());
    EXPECT_TRUE(picker.okay()->isDefault());
    EXPECT_TRUE(picker.window.findChild<QLabel *>(QStringLiteral("LblAlias"))->isHidden());
    EXPECT_TRUE(picker.window.findChild<QComboBox *>(QStringLiteral("ComAlias"))->isHidden());
    // The drive list offers at least the root, and shows the drive of the current folder.
    auto *drives = picker.window.findChild<QComboBox *>(QStringLiteral("DrvBox"));
    EXPECT_GE(drives->findText(QStringLiteral("/")), 0);
    EXPECT_GE(drives->currentIndex(), 0);
    EXPECT_EQ(picker.edit()->text(), QDir(temp.path()).absolutePath());
    EXPECT_EQ(picker.list()->directory(), QDir(temp.path()).absolutePath());
}

TEST(DlgDir, OkayAtOnceReturnsTheCallersTextUnchanged)
{
    TempDir temp;
    TDirDialog dialog;
    dialog.InitialDir = temp.path() + QStringLiteral("/./");
    const bool ok = ExecuteWith(dialog, [](QWidget *window) {
        QTest::mouseClick(
            window->findChild<QPushButton *>(QStringLiteral("BtnOkay")), Qt::LeftButton);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(dialog.Directory(), temp.path() + QStringLiteral("/./"));
}

TEST(DlgDir, CancelAndEscapeLeaveDirectoryAsItWas)
{
    TempDir temp;
    TDirDialog dialog;
    dialog.InitialDir = temp.path();
    ASSERT_TRUE(
        ExecuteWith(dialog, [](QWidget *window) { QTest::keyClick(window, Qt::Key_Return); }));
    ASSERT_EQ(dialog.Directory(), temp.path());

    dialog.InitialDir = QStringLiteral("/");
    EXPECT_FALSE(
        ExecuteWith(dialog, [](QWidget *window) { QTest::keyClick(window, Qt::Key_Escape); }));
    EXPECT_FALSE(ExecuteWith(dialog, [](QWidget *window) {
        QTest::mouseClick(
            window->findChild<QPushButton *>(QStringLiteral("BtnCancel")), Qt::LeftButton);
    }));
    EXPECT_EQ(dialog.Directory(), temp.path());
}

TEST(DlgDir, OkayOnlyForAnExistingFolder)
{
    TempDir temp;
    ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("sub")));
    Picker picker(temp.path());
    const QString sub = QDir(temp.path()).absoluteFilePath(QStringLiteral("sub"));

    picker.edit()->setText(sub + QStringLiteral("x"));
    EXPECT_FALSE(picker.okay()->isEnabled());
    EXPECT_EQ(picker.window.result(), temp.path()); // keeps the last existing folder
    QTest::keyClick(picker.edit(), Qt::Key_Backspace);
    EXPECT_TRUE(picker.okay()->isEnabled());
    EXPECT_EQ(picker.list()->directory(), sub);
    EXPECT_EQ(picker.window.result(), sub);

    // A trailing separator does not move the list, but the folder is still accepted as typed.
    picker.list()->setDirectory(temp.path());
    picker.edit()->setText(sub + u'/');
    EXPECT_EQ(picker.list()->directory(), QDir(temp.path()).absolutePath());
    EXPECT_TRUE(picker.okay()->isEnabled());
    EXPECT_EQ(picker.window.result(), sub + u'/');
}

TEST(DlgDir, OpeningAListEntryShowsItInThePathBox)
{
    TempDir temp;
    ASSERT_TRUE(QDir(temp.path()).mkdir(QStringLiteral("Child")));
    Picker picker(temp.path());
    TDirectoryList *list = picker.list();
    QListWidgetItem *child = nullptr;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text().trimmed() == u"Child")
            child = list->item(i);
    }
    ASSERT_NE(child, nullptr);
    Q_EMIT list->itemActivated(child);
    const QString expected = QDir(temp.path()).absoluteFilePath(QStringLiteral("Child"));
    EXPECT_EQ(picker.edit()->text(), expected);
    EXPECT_EQ(picker.window.result(), expected);
}

TEST(DlgDir, MissingStartFolderFallsBackToTheCurrentFolder)
{
    TempDir temp;
    Picker picker(temp.path() + QStringLiteral("/missing"));
    EXPECT_EQ(picker.window.result(), QDir::currentPath());
    EXPECT_EQ(picker.edit()->text(), QDir::cleanPath(QDir::currentPath()));
}

TEST(DlgDir, AliasStartIsPreselectedAndReturned)
{
    Picker picker(
        QStringLiteral("Books"), true, { QStringLiteral("Zed"), QStringLiteral("Books") });
    auto *aliases = picker.window.findChild<QComboBox *>(QStringLiteral("ComAlias"));
    EXPECT_FALSE(aliases->isHidden());
    EXPECT_EQ(aliases->itemText(0), QStringLiteral("Books")); // sorted
    EXPECT_EQ(aliases->currentText(), QStringLiteral("Books"));
    EXPECT_EQ(picker.window.result(), QStringLiteral("Books"));
    aliases->setCurrentIndex(1);
    Q_EMIT aliases->activated(1);
    EXPECT_EQ(picker.window.result(), QStringLiteral("Zed"));
}

} // namespace
