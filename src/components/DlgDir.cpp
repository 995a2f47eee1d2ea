#include "components/DlgDir.h"

#include "components/DlgDirFm.h"

TDirDialog::TDirDialog(QObject *owner)
    : QObject(owner)
{ }

bool TDirDialog::Execute(QWidget *parent)
{
    TGetDirectory window(
        Title, InitialDir, Options.testFlag(TDirOption::doAlias), AliasNames, parent);
    if (window.exec() != QDialog::Accepted)
        return false;
    m_directory = window.result();
    return true;
}
