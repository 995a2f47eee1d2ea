#pragma once

#include <QObject>
#include <QString>

class QWidget;

// A save-file dialog configured like the platform's: a filter of "description|patterns" pairs
// separated by "|", an initial folder, and whether to confirm overwriting an existing file.
class TSaveDialog : public QObject
{
    Q_OBJECT

public:
    explicit TSaveDialog(QObject *parent = nullptr);

    QString InitialDir;
    QString Filter;
    QString FileName;
    bool OverwritePrompt = true;

    // Shows the dialog modally; true when the user chose a file (then in FileName).
    bool Execute(QWidget *parent);

    // The filter as the toolkit's dialog takes it: one name filter per description.
    static QStringList NameFilters(const QString &filter);
};
