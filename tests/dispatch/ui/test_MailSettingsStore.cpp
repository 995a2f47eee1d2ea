// The stored mail settings: where they live, their text forms, and what a logon takes from them.

#include "MailSettingsEnv.h"

#include "mail/RwMapiLogonInfo.h"

namespace {

using Store = MailSettingsTest;

} // namespace

TEST_F(Store, ReadingCreatesEveryLevelOfTheKeyAndFindsNothing)
{
    EXPECT_EQ(MailSettingsStore::KeyPath(), QStringLiteral("Software\\Torvane\\test_dispatch_ui"));
    ASSERT_TRUE(MailUser::storedValues().isUndefined());
    const MailSettingsStore::Values values = MailSettingsStore::Read();
    EXPECT_FALSE(
        values.UseExtendedMapi || values.ProfileName || values.Password || values.NewSession);
    const QJsonObject keys = MailUser::registryKeys();
    EXPECT_TRUE(keys.contains(QStringLiteral("Software")));
    EXPECT_TRUE(keys.contains(QStringLiteral("Software\\Torvane")));
    EXPECT_EQ(MailUser::storedValues(), QJsonValue(QJsonObject {}));

    // Missing values leave the session's own.
    TRwMapiLogonInfo info;
    info.NewSession = false;
    info.ProfileName = QStringLiteral("Earlier");
    MailSettingsStore::ApplyTo(info);
    EXPECT_TRUE(info.UseExtendedMapi);
    EXPECT_FALSE(info.NewSession);
    EXPECT_EQ(info.ProfileName, QStringLiteral("Earlier"));
}

TEST_F(Store, OnlyTheExactWordTrueReadsAsOn)
{
    const std::pair<const char *, bool> cases[] = { { "True", true }, { "true", false },
        { "TRUE", false }, { "True ", false }, { "1", false }, { "", false }, { "False", false } };
    for (const auto &[text, on] : cases) {
        MailUser::store(MailSettingsStore::NewSessionValue, QString::fromLatin1(text));
        MailUser::store(MailSettingsStore::UseExtendedMapiValue, QString::fromLatin1(text));
        TRwMapiLogonInfo info;
        info.UseExtendedMapi = !on;
        info.NewSession = !on;
        MailSettingsStore::ApplyTo(info);
        EXPECT_EQ(info.NewSession, on) << text;
        EXPECT_EQ(info.UseExtendedMapi, on) << text;
    }
}
