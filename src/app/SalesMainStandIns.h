#pragma once

// The controls that later components replace: each is made by one factory here, so that a
// swap touches this file only.

#include <QLineEdit>
#include <QTableView>
#include <QWidget>

#include <functional>

class QPushButton;

using TBrowseGrid = QTableView;
using TNavigator = QWidget;
using TDateEdit = QLineEdit;
using TButtonEdit = QLineEdit;

// The review grid: whole-row selection, title row, resizable columns, popup on right click.
TBrowseGrid *CreateBrowseGrid(QWidget *parent);
// The navigator bar under the grid with its Edit, two user buttons and Close.
TNavigator *CreateNavigator(QWidget *parent);
QPushButton *NavigatorButton(TNavigator *navigator, const QString &name);
// A date filter field; its value is a date number (0 = no date).
TDateEdit *CreateDateEdit(QWidget *parent, const QString &name);
void SetDateValue(TDateEdit *edit, double value);
// A text field with a button inside its right end that calls onButtonClick.
TButtonEdit *CreateButtonEdit(
    QWidget *parent, const QString &name, std::function<void()> onButtonClick);
