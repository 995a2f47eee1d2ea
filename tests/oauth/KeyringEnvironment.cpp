#include "OAuthTestEnv.h"

#include <gtest/gtest.h>

namespace {

// The private keyring starts before any test: a widget shown first could otherwise open
// the session bus connection before its address is set.
class KeyringEnvironment final : public testing::Environment
{
public:
    void SetUp() override { StartTestKeyring(); }
};

const testing::Environment *const g_keyring
    = testing::AddGlobalTestEnvironment(new KeyringEnvironment);

} // namespace
