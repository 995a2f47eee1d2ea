#include "app/SalesMainStandIns.h"

#include "util/UtilMisc.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>

TBrowseGrid *CreateBrowseGrid(QWidget *parent)
{
    auto *grid = new QTableView(parent);
    grid->setObjectName(QStringLiteral("BrwSTran"));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setShowGrid(true);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: rgb(208, 224, 224); "
                       "border: 1px solid rgb(160, 160, 160); padding: 2px; }"));
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    // The selection keeps its colour when the grid loses the focus.
    QPalette palette = grid->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
        palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
        palette.color(QPalette::Active, QPalette::HighlightedText));
    grid->setPalette(palette);
    return grid;
}

TNavigator *CreateNavigator(QWidget *parent)
{
    auto *bar = new QWidget(parent);
    bar->setObjectName(QStringLiteral("NavSTran"));
    bar->setFixedHeight(26);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(5, 2, 5, 2);
    const auto add = [bar, layout](const char *name, const QString &caption) {
        auto *button = new QPushButton(caption, bar);
        button->setObjectName(QString::fromLatin1(name));
        button->setFixedWidth(120);
        button->setAutoDefault(true);
        layout->addWidget(button);
        return button;
    };
    add("brwEdit", QStringLiteral("&Edit Mail Address"));
    layout->addStretch(1);
    add("brwUdf1", QStringLiteral("&Send Tagged"))
        ->setToolTip(QStringLiteral("Send Documents to Tagged Accounts"));
    add("brwUdf2", QStringLiteral("&Print Tagged"))
        ->setToolTip(QStringLiteral("Print Documents for Tagged Accounts"));
    layout->addStretch(1);
    add("brwClose", QStringLiteral("&Close"));
    return bar;
}

QPushButton *NavigatorButton(TNavigator *navigator, const QString &name)
{
    return navigator->findChild<QPushButton *>(name);
}

TDateEdit *CreateDateEdit(QWidget *parent, const QString &name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

void SetDateValue(TDateEdit *edit, double value)
{
    const QDate date = DateFromNumber(value);
    edit->setText(date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString());
}

TButtonEdit *CreateButtonEdit(
    QWidget *parent, const QString &name, std::function<void()> onButtonClick)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    QAction *button = edit->addAction(
        edit->style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
    button->setObjectName(name + QStringLiteral("Button"));
    QObject::connect(button, &QAction::triggered, edit, std::move(onButtonClick));
    return edit;
}
