#pragma once

#include <QFont>
#include <QString>

class QLabel;
class QVBoxLayout;
class QWidget;

// Small helpers shared by the page builders of the main window.

// The window's font: a small sans serif of 8 points.
QFont MainWindowFont();
// Places a control at a pixel position inside its parent; a height of -1 takes the control's
// natural height.
void Place(QWidget *widget, int left, int top, int width, int height = -1);
// A plain caption label at a position; width -1 fits the text.
QLabel *PlaceLabel(QWidget *parent, const QString &text, int left, int top, int width = -1,
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
// A key legend: blue bold narrow 8-point text.
QLabel *PlaceKeyLegend(QWidget *parent, const QString &text, int left, int top);
// The grey bar at the top of each page that repeats the page's caption; returns the page's
// layout below it.
QVBoxLayout *AddPageTitleBar(QWidget *page, const QString &objectName, const QString &caption);
