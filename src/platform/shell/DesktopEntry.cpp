#include "platform/shell/DesktopEntry.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace DesktopEntry {

QString Find(const QString &id, const QStringList &applicationDirs)
{
    // "vendor-app.desktop" may also lie in the vendor's subfolder as "vendor/app.desktop".
    QStringList names { id };
    const qsizetype dash = id.indexOf(u'-');
    if (dash > 0)
        names.append(id.left(dash) + u'/' + id.mid(dash + 1));
    for (const QString &dir : applicationDirs) {
        for (const QString &name : names) {
            const QString path = dir + u'/' + name;
            if (QFileInfo(path).isFile())
                return path;
        }
    }
    return {};
}

namespace {

QString execValue(const QString &entryFile)
{
    QFile file(entryFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool inMainGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
        } else if (inMainGroup && line.startsWith(u"Exec")) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0 && line.left(eq).trimmed() == u"Exec")
                return line.mid(eq + 1).trimmed();
        }
    }
    return {};
}

// The value-level escapes of the entry format.
QString unescapeValue(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        if (next == u's')
            out += u' ';
        else if (next == u'n')
            out += u'\n';
        else if (next == u't')
            out += u'\t';
        else if (next == u'\\')
            out += u'\\';
        else
            out += QStringView(u"\\") + next;
    }
    return out;
}

} // namespace

QStringList SplitExec(const QString &exec)
{
    QStringList args;
    QString current;
    bool quoted = false;
    bool inArg = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size())
                current += exec.at(++i);
            else if (c == u'"')
                quoted = false;
            else
                current += c;
        } else if (c == u'"') {
            quoted = true;
            inArg = true;
        } else if (c == u' ' || c == u'\t') {
            if (inArg)
                args.append(current);
            current.clear();
            inArg = false;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg)
        args.append(current);
    return args;
}

QStringList Command(const QString &entryFile, const QStringList &files)
{
    const QStringList exec = SplitExec(unescapeValue(execValue(entryFile)));
    if (exec.isEmpty())
        return {};
    QStringList command;
    bool placed = false;
    for (const QString &arg : exec) {
        if (arg == u"%f" || arg == u"%u") {
            if (!files.isEmpty())
                command.append(files.first());
            placed = true;
        } else if (arg == u"%F" || arg == u"%U") {
            command.append(files);
            placed = true;
        } else if (arg.size() == 2 && arg.at(0) == u'%') {
            // %i, %c, %k and the deprecated codes carry nothing we need.
        } else {
            QString text;
            for (qsizetype i = 0; i < arg.size(); ++i) {
                if (arg.at(i) == u'%' && i + 1 < arg.size()) {
                    const QChar code = arg.at(++i);
                    if (code == u'%') {
                        text += u'%';
                    } else if ((code == u'f' || code == u'u') && !files.isEmpty()) {
                        text += files.first();
                        placed = true;
                    }
                } else {
                    text += arg.at(i);
                }
            }
            command.append(text);
        }
    }
    if (!placed)
        command.append(files);
    return command;
}

} // namespace DesktopEntry
