#pragma once

#include "support/TempDir.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

// The desktop session run_keyring_test.sh made for this program: "secret-service",
// "no-service" or "no-bus"; empty when the program was started some other way.
inline QString KeyringSession()
{
    return qEnvironmentVariable("VELLORAN_KEYRING_TEST");
}

#define REQUIRE_KEYRING_SESSION(mode)                                                              \
    ASSERT_EQ(KeyringSession(), QStringLiteral(mode))                                              \
        << "run this test through tests/platform/keyring/run_keyring_test.sh " mode

// What the Secret Service itself holds for a key of ours, asked through another client
// (libsecret's secret-tool), so a test sees where a secret really went.
inline QString SecretToolLookup(const QString &service, const QString &key)
{
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"),
        { QStringLiteral("lookup"), QStringLiteral("server"), service, QStringLiteral("user"),
            key });
    tool.waitForFinished(10000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

// The files under the session's folder (home, runtime folder) that hold text in plain.
inline QStringList FilesHolding(const QByteArray &text)
{
    QStringList found;
    QDirIterator it(qEnvironmentVariable("VELLORAN_KEYRING_ROOT"),
        QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly) && f.readAll().contains(text))
            found << f.fileName();
    }
    return found;
}

// Redirects the user's configuration folder to a fresh one for the object's lifetime.
class ConfigHome
{
public:
    ConfigHome()
        : m_saved(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    }
    ~ConfigHome() { qputenv("XDG_CONFIG_HOME", m_saved); }

    QString path() const { return m_dir.path(); }
    QString profilesFile() const
    {
        return m_dir.file(QStringLiteral("velloran/mail-profiles.json"));
    }
    void writeProfiles(const QByteArray &json) const
    {
        QDir().mkpath(m_dir.file(QStringLiteral("velloran")));
        QFile f(profilesFile());
        if (f.open(QIODevice::WriteOnly))
            f.write(json);
    }
    QByteArray readProfiles() const
    {
        QFile f(profilesFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    TempDir m_dir;
    QByteArray m_saved;
};
