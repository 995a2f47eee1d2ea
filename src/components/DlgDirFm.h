#pragma once

#include <QDialog>
#include <QListWidget>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The folder list of the folder picker: the path from the drive root down to the current folder,
// then the current folder's sub-folders. Opening an entry makes it the current folder.
class TDirectoryList : public QListWidget
{
    Q_OBJECT

public:
    explicit TDirectoryList(QWidget *parent = nullptr);

    QString directory() const { return m_directory; }
    // Makes an existing folder current (in the list's own form: absolute, cleaned).
    void setDirectory(const QString &path);

Q_SIGNALS:
    void directoryChanged(const QString &directory);

private:
    void fill();

    QString m_directory;
};

// The picker's window: drive list, folder list, path box, and optionally the alias list.
class TGetDirectory : public QDialog
{
    Q_OBJECT

public:
    // startValue: the folder (or alias name) to start at; aliases are shown only with showAlias.
    TGetDirectory(const QString &title, const QString &startValue, bool showAlias,
        const QStringList &aliasNames, QWidget *parent = nullptr);

    // What Okay returns: the last existing folder shown or typed, or the chosen alias.
    QString result() const { return m_result; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void DrvBoxChange(int index);
    void DirBoxChange(const QString &directory);
    void EdtDirChange(const QString &text);
    void ComAliasChange(int index);
    void BtnOkayClick();
    void BtnCancelClick();
    void selectDriveOf(const QString &directory);

    QString m_startValue;
    bool m_showAlias;
    QString m_result;
    bool m_shown = false;

    QLabel *m_lblDrive;
    QComboBox *m_drvBox;
    QLabel *m_lblDir;
    QLineEdit *m_edtDir;
    TDirectoryList *m_dirBox;
    QLabel *m_lblAlias;
    QComboBox *m_comAlias;
    QPushButton *m_btnOkay;
    QPushButton *m_btnCancel;
    QPushButton *m_btnHelp;
};
