#include "dispatch/journal/ServerSizeLimit.h"

#include "platform/mapi/ConnectionTest.h"
#include "platform/mapi/Profiles.h"

#include <algorithm>

ServerSizeLimit AskServerSizeLimit(const QString &profileName)
{
    ServerSizeLimit limit;
    const ProfileList list = ProfileList::load();
    const Profile *profile = list.findOrDefault(profileName);
    if (!profile || profile->transport.kind != TransportSettings::Kind::Smtp)
        return limit;
    limit.account = profile->name;
    // The EHLO answer carries the SIZE: the server is asked without signing in (no failed
    // sign-ins on the user's account) and without the IMAP side.
    Profile probe = *profile;
    probe.transport.username.clear();
    probe.transport.auth = TransportSettings::Auth::Password;
    probe.sentCopy.kind = SentCopySettings::Kind::Local;
    const ConnectionTestResult result = TestConnection(probe);
    limit.known = std::any_of(result.steps.cbegin(), result.steps.cend(), [](const ProbeStep &s) {
        return s.what == ProbeStep::What::OutgoingServer && s.outcome == ProbeOutcome::Ok;
    });
    limit.bytes = limit.known ? result.sizeLimit : 0;
    return limit;
}
