#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The connection-string editor: a data-link file ("FILE NAME=" + file) or a connection string
// typed or built. Opens on the data-link choice exactly when the given string names a file.
class ConnectionStringEditor : public QDialog
{
    Q_OBJECT

public:
    // Composes a connection string, starting from the current one; an empty result changes
    // nothing. Runs when "B&uild..." is pressed.
    using Builder = std::function<QString(QWidget *parent, const QString &current)>;

    // title: the owning window's name, ".", the connection's name, " ConnectionString".
    ConnectionStringEditor(const QString &title, const QString &connectionString,
        Builder builder = {}, QWidget *parent = nullptr);

    // The string OK would apply.
    QString connectionString() const;
    bool usesDataLinkFile() const;

    // Runs the editor modally; true (and the string replaced) only when OK gave a different string.
    static bool Edit(const QString &title, QString &connectionString, Builder builder = {},
        QWidget *parent = nullptr);

private:
    void updateEnabling();
    void browseDataLink();
    void build();

    Builder m_builder;
    QRadioButton *m_useDataLink;
    QComboBox *m_dataLink;
    QPushButton *m_browse;
    QRadioButton *m_useString;
    QLineEdit *m_string;
    QPushButton *m_build;
};
