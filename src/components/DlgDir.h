#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

enum class TDirOption { doAlias = 1 };
Q_DECLARE_FLAGS(TDirOptions, TDirOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDirOptions)

// Lets the user choose an existing folder in a modal window.
class TDirDialog : public QObject
{
    Q_OBJECT

public:
    explicit TDirDialog(QObject *owner = nullptr);

    QString InitialDir; // folder (or alias name) to start at
    QString Title; // empty keeps "Directory Browser"
    TDirOptions Options; // doAlias shows the alias list
    // The alias names offered with doAlias (the host's database aliases, supplied by the owner).
    QStringList AliasNames;

    // The confirmed choice of the last successful run; unchanged by a cancelled run.
    QString Directory() const { return m_directory; }

    // Runs the window modally; on Okay stores its result in Directory and returns true.
    bool Execute(QWidget *parent = nullptr);

private:
    QString m_directory;
};
