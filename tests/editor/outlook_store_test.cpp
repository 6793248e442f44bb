// The mail-store lookup walks the registry: first identity, numeric-looking version
// keys, the "5.0" fallback and environment references in the stored path.

#include <cstdlib>
#include <gtest/gtest.h>

#include "editor/outlook_store.h"
#include "platform/environment.h"
#include "platform/memory_registry.h"

using namespace korvel;

namespace {

const char* kOe = "Software\\Microsoft\\Outlook Express";

} // namespace

TEST(OutlookStore, FirstIdentityAndNumericVersion) {
    TMemoryRegistryKey user;
    user.Add(std::string("Identities\\{first}\\") + kOe + "\\5.0").SetValue("Store Root", "/mail/first");
    user.Add(std::string("Identities\\{second}\\") + kOe + "\\5.0").SetValue("Store Root", "/mail/second");
    EXPECT_EQ(OutlookExpressStoreRoot(&user), "/mail/first");
}

TEST(OutlookStore, TextNamedVersionFallsBackToFivePointZero) {
    TMemoryRegistryKey user;
    auto oe = user.Add(std::string("Identities\\{id}\\") + kOe);
    oe.Add("Settings").SetValue("Store Root", "/wrong");
    oe.Add("5.0").SetValue("Store Root", "/mail/five");
    EXPECT_EQ(OutlookExpressStoreRoot(&user), "/mail/five");
}

TEST(OutlookStore, NumericFirstKeyIsTakenEvenIfNotFivePointZero) {
    TMemoryRegistryKey user;
    auto oe = user.Add(std::string("Identities\\{id}\\") + kOe);
    oe.Add("6.0").SetValue("Store Root", "/mail/six");
    oe.Add("5.0").SetValue("Store Root", "/mail/five");
    EXPECT_EQ(OutlookExpressStoreRoot(&user), "/mail/six");
}

TEST(OutlookStore, EnvironmentReferencesAreExpanded) {
    ::setenv("KORVEL_TEST_PROFILE", "/home/ann", 1);
    TMemoryRegistryKey user;
    user.Add(std::string("Identities\\{id}\\") + kOe + "\\5.0")
        .SetValue("Store Root", "%KORVEL_TEST_PROFILE%/Mail/%KORVEL_TEST_UNSET%");
    EXPECT_EQ(OutlookExpressStoreRoot(&user), "/home/ann/Mail/%KORVEL_TEST_UNSET%");
    ::unsetenv("KORVEL_TEST_PROFILE");
}

TEST(OutlookStore, AnyMissingStepFindsNothing) {
    EXPECT_EQ(OutlookExpressStoreRoot(nullptr), "") << "no registry";
    EXPECT_EQ(OutlookExpressStoreRoot(OpenCurrentUserKey().get()), "") << "POSIX has no registry";
    TMemoryRegistryKey empty;
    EXPECT_EQ(OutlookExpressStoreRoot(&empty), "");
    TMemoryRegistryKey noValue;
    noValue.Add(std::string("Identities\\{id}\\") + kOe + "\\5.0");
    EXPECT_EQ(OutlookExpressStoreRoot(&noValue), "");
    TMemoryRegistryKey noVersion;
    noVersion.Add(std::string("Identities\\{id}\\") + kOe + "\\Other").SetValue("Store Root", "/x");
    EXPECT_EQ(OutlookExpressStoreRoot(&noVersion), "");
}

TEST(OutlookStore, NumberLikeNames) {
    for (const char* yes : {"5.0", "6", "1e5", "-1", " 12 ", "1,000", "1d"})
        EXPECT_TRUE(LooksLikeNumber(yes)) << yes;
    for (const char* no : {"", "Settings", "5.0a", ".", "de", "v5"})
        EXPECT_FALSE(LooksLikeNumber(no)) << no;
}

TEST(EnvironmentStrings, UnsetAndUnclosedReferencesStay) {
    ::setenv("KORVEL_TEST_A", "x", 1);
    EXPECT_EQ(ExpandEnvironmentStrings("%KORVEL_TEST_A%%KORVEL_TEST_A%"), "xx");
    EXPECT_EQ(ExpandEnvironmentStrings("100% %KORVEL_TEST_A%"), "100% x");
    EXPECT_EQ(ExpandEnvironmentStrings("%NOPE_KORVEL%%KORVEL_TEST_A%"), "%NOPE_KORVEL%x");
    EXPECT_EQ(ExpandEnvironmentStrings("50%"), "50%");
    ::unsetenv("KORVEL_TEST_A");
}
