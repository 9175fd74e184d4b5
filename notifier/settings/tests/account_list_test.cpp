// The account list rules of the Setup window.
#include <gtest/gtest.h>

#include "settings/account_list.h"
#include "test_env.h"

using namespace corvy::settings;

namespace {

AccountSlot Account(const std::string& name) {
    return {name, "pop." + name, "u-" + name, "pw", false};
}

AccountList Ten() {
    AccountList list;
    std::string error;
    for (int i = 0; i < kMaxAccounts; ++i) {
        EXPECT_TRUE(list.Add(Account("acct" + std::to_string(i)), error)) << error;
    }
    return list;
}

}  // namespace

TEST(AccountList, AddRefusals) {
    AccountList list;
    std::string error;
    EXPECT_FALSE(list.Add(Account(""), error));
    EXPECT_EQ(error, "Unable to add account. Account name empty.");
    ASSERT_TRUE(list.Add(Account("Me@Example.org"), error));
    EXPECT_FALSE(list.Add(Account("me@example.ORG"), error));
    EXPECT_EQ(error, "Unable to add. Account already exists.");
    EXPECT_EQ(list.Count(), 1);

    AccountList full = Ten();
    EXPECT_FALSE(full.CanAdd(error));
    EXPECT_EQ(error, "Unable to add account. You already have 10 accounts.");
    EXPECT_FALSE(full.Add(Account("eleventh"), error));
    EXPECT_EQ(full.Count(), 10);
}

TEST(AccountList, EditDoesNotCheckNames) {
    AccountList list;
    std::string error;
    list.Add(Account("a"), error);
    list.Add(Account("b"), error);
    EXPECT_TRUE(list.Edit(1, Account("A"), error));
    EXPECT_EQ(list.At(1).name, "A");
}

TEST(AccountList, DeletingFirstOfTenMovesOthersUp) {
    AccountList list = Ten();
    ASSERT_TRUE(list.Delete(0));
    EXPECT_EQ(list.Count(), 9);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(list.At(i), Account("acct" + std::to_string(i + 1)));
    }
    EXPECT_EQ(list.At(9), AccountSlot{});
    EXPECT_FALSE(list.Delete(9));  // nothing listed there
    EXPECT_FALSE(list.Delete(-1));
}

TEST(AccountList, AddAfterDeleteTakesNextLine) {
    AccountList list = Ten();
    list.Delete(4);
    std::string error;
    ASSERT_TRUE(list.Add(Account("new"), error));
    EXPECT_EQ(list.At(9).name, "new");
    EXPECT_EQ(list.At(4).name, "acct5");
}

TEST(AccountList, SecurityAndAcceptedCertificateMoveWithTheirAccount) {
    vantry::profile::Profile p(vantry::test::FreshDir("profile") / "corvy.ini");
    AccountList list = Ten();
    list.Save(p);
    p.WriteInt("MailAccount1", "Security", 2);
    p.WriteString("MailAccount1", "CertificateSHA256", "AB:CD");
    AccountList loaded(LoadAccountSlots(p));
    ASSERT_TRUE(loaded.Delete(0));
    loaded.Save(p);
    EXPECT_EQ(LoadAccountSecurity(p, 0), 2);
    EXPECT_EQ(LoadPinnedCertificate(p, 0), "AB:CD");
    EXPECT_EQ(LoadAccountSecurity(p, 1), 0);
    EXPECT_EQ(LoadPinnedCertificate(p, 1), "");
}
