#include "app/SalesMainStandIns.h"

#include <QPushButton>

TBrowseGrid *CreateBrowseGrid(QWidget *parent)
{
    auto *grid = new TdbBrowse(parent);
    grid->setObjectName(QStringLiteral("BrwSTran"));
    grid->setOptions(dgTitles | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
        | dgAlwaysShowSelection | dgConfirmDelete);
    grid->setOptionsEx(dgBooleanSymbols);
    grid->setFixedColor(QColor(208, 224, 224));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    return grid;
}

TNavigator *CreateNavigator(QWidget *parent)
{
    auto *bar = new TvxBrwNavigator(parent);
    bar->setObjectName(QStringLiteral("NavSTran"));
    bar->setButtonWidth(120);
    bar->setCancel(false);
    bar->setAllowed({ brwEdit, brwUdf1, brwUdf2, brwClose });
    bar->setFixedHeight(26);
    return bar;
}

QPushButton *NavigatorButton(TNavigator *navigator, const QString &name)
{
    return navigator->findChild<QPushButton *>(name);
}

TDateEdit *CreateDateEdit(QWidget *parent, const QString &name)
{
    auto *edit = new TvxDateEdit(parent);
    edit->setObjectName(name);
    return edit;
}

void SetDateValue(TDateEdit *edit, double value)
{
    edit->SetValue(value);
    if (value == 0)
        edit->clear();
}

double DateValue(const TDateEdit *edit)
{
    return edit->Value();
}

TButtonEdit *CreateButtonEdit(
    QWidget *parent, const QString &name, std::function<void()> onButtonClick)
{
    auto *edit = new TvxEdit(parent);
    edit->setObjectName(name);
    QObject::connect(edit, &TvxCustomEdit::OnButtonClick, edit,
        [click = std::move(onButtonClick)](TvxCustomEdit *) { click(); });
    return edit;
}
