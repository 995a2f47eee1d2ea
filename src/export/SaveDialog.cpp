#include "export/SaveDialog.h"

#include <QFileDialog>
#include <QStringList>

TSaveDialog::TSaveDialog(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("Save"));
}

QStringList TSaveDialog::NameFilters(const QString &filter)
{
    QStringList filters;
    const QStringList pieces = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        const QString &description = pieces.at(i);
        QString patterns = pieces.at(i + 1);
        patterns.replace(u';', u' ');
        // A description that already ends with its patterns is taken as it is.
        if (description.endsWith(QStringLiteral("(") + patterns + QStringLiteral(")")))
            filters.append(description);
        else
            filters.append(description + QStringLiteral(" (") + patterns + QStringLiteral(")"));
    }
    return filters;
}

bool TSaveDialog::Execute(QWidget *parent)
{
    QFileDialog dialog(parent);
    dialog.setObjectName(objectName());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !OverwritePrompt);
    if (!InitialDir.isEmpty())
        dialog.setDirectory(InitialDir);
    const QStringList filters = NameFilters(Filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!FileName.isEmpty())
        dialog.selectFile(FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    FileName = dialog.selectedFiles().constFirst();
    return true;
}
