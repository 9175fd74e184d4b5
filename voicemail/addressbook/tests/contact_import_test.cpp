#include <gtest/gtest.h>

#include "addressbook/contact_import.h"

namespace murmel {
namespace {

// Records the calls the import makes, in order.
class ScriptedMailClient final : public MailClient {
public:
    bool present = true;
    QStringList calls;

    bool CreateApplication() override {
        calls << "create";
        return present;
    }
    void Logon() override { calls << "logon"; }
    QStringList TopLevelFolders() override {
        calls << "folders";
        return {"Personal", "Archive"};
    }
    QStringList ContactFolders(int topLevel) override {
        calls << QStringLiteral("contacts %1").arg(topLevel);
        return topLevel == 0 ? QStringList{"Contacts", "Club"} : QStringList{};
    }
    std::vector<MailClientItem> Items(int topLevel, int folder) override {
        calls << QStringLiteral("items %1 %2").arg(topLevel).arg(folder);
        return {{"Ann", "ann@example.org"},
                {"", "nosubject@example.org"},
                {"No address", ""},
                {"ANN", "second@example.org"},
                {"Bob", "bob@example.org"}};
    }
};

TEST(ContactImport, LoadLogsOnAndChoosesTheFirstProfileAndFolder) {
    ScriptedMailClient client;
    ContactImport import(client);
    ASSERT_TRUE(import.Load());
    EXPECT_EQ(client.calls, QStringList({"create", "logon", "folders", "contacts 0", "items 0 0"}));
    ASSERT_EQ(import.Contacts().size(), 2u);
    EXPECT_EQ(import.Contacts()[0].Name, "Ann");
    EXPECT_EQ(import.Contacts()[0].Address, "ann@example.org");
    EXPECT_EQ(import.Contacts()[1].Name, "Bob");

    import.ChooseProfile(1);  // no contacts folders there
    EXPECT_TRUE(import.Folders().isEmpty());
    EXPECT_TRUE(import.Contacts().empty());
}

TEST(ContactImport, NoClientListsNothing) {
    ScriptedMailClient client;
    client.present = false;
    ContactImport import(client);
    EXPECT_FALSE(import.Load());
    EXPECT_EQ(client.calls, QStringList({"create"}));
    NoMailClient none;
    ContactImport nothing(none);
    EXPECT_FALSE(nothing.Load());
    EXPECT_TRUE(nothing.Profiles().isEmpty());
}

}  // namespace
}  // namespace murmel
