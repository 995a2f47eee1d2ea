#include "app/SalesMainLayout.h"

#include "components/ClassicFont.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

QFont MainWindowFont()
{
    QFont font = ClassicSansFont();
    font.setPointSize(8);
    return font;
}

void Place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(left, top, width, height < 0 ? widget->sizeHint().height() : height);
}

QLabel *PlaceLabel(
    QWidget *parent, const QString &text, int left, int top, int width, Qt::Alignment alignment)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(alignment);
    const int fitted = label->sizeHint().width();
    Place(label, left, top, width < 0 ? fitted : width);
    return label;
}

QLabel *PlaceKeyLegend(QWidget *parent, const QString &text, int left, int top)
{
    auto *legend = new QLabel(text, parent);
    QFont font = parent->font();
    font.setFamilies({ QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
        QStringLiteral("DejaVu Sans Condensed") });
    font.setPointSize(8);
    font.setBold(true);
    font.setStretch(QFont::Condensed);
    legend->setFont(font);
    QPalette palette = legend->palette();
    palette.setColor(QPalette::WindowText, Qt::blue);
    legend->setPalette(palette);
    legend->adjustSize();
    legend->move(left, top);
    return legend;
}

QVBoxLayout *AddPageTitleBar(QWidget *page, const QString &objectName, const QString &caption)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *bar = new QLabel(caption, page);
    bar->setObjectName(objectName);
    bar->setFixedHeight(21);
    bar->setIndent(6);
    bar->setAutoFillBackground(true);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, QColor(128, 128, 128));
    palette.setColor(QPalette::WindowText, Qt::white);
    bar->setPalette(palette);
    QFont font = bar->font();
    font.setPointSize(9);
    font.setBold(true);
    bar->setFont(font);
    layout->addWidget(bar);
    return layout;
}
