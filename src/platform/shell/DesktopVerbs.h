#pragma once

#include "platform/shell/DocumentVerbs.h"

#include <QStringList>

class PrintSystem;

// The desktop helpers the verbs use; found on the PATH by default, replaceable in tests.
struct DesktopTools
{
    QString opener; // xdg-open: opens a file or address with its handler
    QString mimeQuery; // xdg-mime: names the handler registered for a type
    QStringList applicationDirs; // where desktop entries lie

    static DesktopTools Find();
};

// The document verbs of this host.
//  - "open" (also the empty verb): a program (an executable file, or a program name found on
//    the PATH) is started with the parameter text as its arguments; "excel" opens the files of
//    the parameter text in the desktop's spreadsheet application; any other file, folder or
//    address goes to the desktop's opener, after checking that a handler is registered for its
//    type, so a missing file or a type without handler is a failure, not a silent success.
//  - "print" submits the file to the print system's default printer; "printto" to the printer
//    whose device name is the first quoted piece of the parameter text.
// The window state cannot be imposed on another program's windows here and is not used.
class DesktopVerbs final : public DocumentVerbs
{
public:
    explicit DesktopVerbs(
        DesktopTools tools = DesktopTools::Find(), PrintSystem *printing = nullptr);

    int execute(const QString &verb, const QString &file, const QString &parameters,
        const QString &directory, VerbShow show) override;
    QString lastPrintJob() const override { return m_lastPrintJob; }

    // The desktop's handler for a MIME type (a desktop entry id), or for its nearest ancestor
    // type that has one; empty when none is registered.
    QString defaultHandler(const QString &mimeType) const;

private:
    int open(const QString &file, const QString &parameters, const QString &directory) const;
    int openInSpreadsheet(const QString &parameters, const QString &directory) const;
    int openWithOpener(const QString &target, const QString &mimeType) const;
    int print(const QString &file, const QString &device) const;
    PrintSystem &printing() const;

    DesktopTools m_tools;
    PrintSystem *m_printing;
    mutable QString m_lastPrintJob;
};
