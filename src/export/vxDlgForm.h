#pragma once

#include <QDialog>

// The base of the program's small dialogs: a fixed dialog border around a client area of a set
// size, centred on the screen when shown.
class TvxDlgForm : public QDialog
{
    Q_OBJECT

public:
    explicit TvxDlgForm(QWidget *parent = nullptr);

protected:
    void setClientSize(int width, int height);
    void showEvent(QShowEvent *event) override;
};
