#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class TvxBtnPanel;

// A small modal dialog asking for one line of text.
class TFrmGetText : public QDialog
{
    Q_OBJECT

public:
    TFrmGetText(const QString &title, const QString &text, QWidget *parent = nullptr);

    // The text after Select; the initial text when the dialog was left any other way.
    QString result() const { return m_result; }

    QLineEdit *EdtText = nullptr;
    TvxBtnPanel *vxBtnPanel1 = nullptr;
    QPushButton *BtnSelect = nullptr;
    QPushButton *BtnCancel = nullptr;

private:
    void FormCreate(const QString &title, const QString &text);
    void BtnSelectClick();
    void BtnCancelClick();

    QString m_initial;
    QString m_result;
};

// Shows the prompt modally, pre-filled with text, and returns the edited text on Select or the
// given text when the user backs out. The result is never trimmed.
QString PromptText(const QString &title, const QString &text);
