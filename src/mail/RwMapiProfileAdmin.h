#pragma once

#include <QString>
#include <QStringList>

// Lists the mail profiles: through the profile table in Extended mode, else the single
// default profile named in the user's registry.
class TRwMapiProfileAdmin
{
public:
    explicit TRwMapiProfileAdmin(bool extended);
    QStringList RetrieveMapiProfiles(bool defaultOnly) const;

private:
    bool m_extended;
};

// With the separator CR LF every name ends with it; otherwise the names are joined by it.
QString JoinProfileNames(const QStringList &names, const QString &separator);
