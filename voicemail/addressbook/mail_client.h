#pragma once
// The desktop mail client's contacts, reached through its automation object
// (kind 3). The import takes the calls in a fixed order; a platform without
// such a client answers the first call with false and lists nothing.

#include <QString>
#include <QStringList>
#include <vector>

namespace murmel {

struct MailClientItem {
    QString subject;
    QString email1address;
};

class MailClient {
public:
    virtual ~MailClient() = default;
    // Creates the automation object; false when there is no such client.
    virtual bool CreateApplication() = 0;
    // getNameSpace("MAPI") and Logon("", "", showDialog = true, newSession = true).
    virtual void Logon() = 0;
    // Name of every top-level folder (one per profile or store).
    virtual QStringList TopLevelFolders() = 0;
    // Name of every sub-folder of the given top-level folder whose
    // DefaultItemType is 2 (contacts).
    virtual QStringList ContactFolders(int topLevel) = 0;
    // Subject and email1address of every item of that contacts folder.
    virtual std::vector<MailClientItem> Items(int topLevel, int contactFolder) = 0;
};

// There is no such client here: nothing is listed.
class NoMailClient final : public MailClient {
public:
    bool CreateApplication() override { return false; }
    void Logon() override {}
    QStringList TopLevelFolders() override { return {}; }
    QStringList ContactFolders(int) override { return {}; }
    std::vector<MailClientItem> Items(int, int) override { return {}; }
};

}  // namespace murmel
