#pragma once

// The component controls of the main window, each made by one factory here.

#include "components/dbBrowse.h"
#include "components/vxBtnEd.h"
#include "components/vxNavBtn.h"
#include "components/vxPopCal.h"

#include <functional>

class QPushButton;

using TBrowseGrid = TdbBrowse;
using TNavigator = TvxBrwNavigator;
using TDateEdit = TvxDateEdit;
using TButtonEdit = TvxEdit;

// The review grid: title row, resizable columns, lines, whole-row selection shown without the
// focus too, confirmation before delete, boolean fields as check marks.
TBrowseGrid *CreateBrowseGrid(QWidget *parent);
// The navigator bar under the grid with its Edit, two user buttons and Close.
TNavigator *CreateNavigator(QWidget *parent);
QPushButton *NavigatorButton(TNavigator *navigator, const QString &name);
// A date filter field; its value is a date number (0 = no date).
TDateEdit *CreateDateEdit(QWidget *parent, const QString &name);
void SetDateValue(TDateEdit *edit, double value);
double DateValue(const TDateEdit *edit);
// A text field with a button inside its right end that calls onButtonClick.
TButtonEdit *CreateButtonEdit(
    QWidget *parent, const QString &name, std::function<void()> onButtonClick);
