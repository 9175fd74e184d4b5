#pragma once
// What the mail-client import window does, apart from its widgets: the
// profile and folder lists and the contacts taken from the chosen folder.

#include <vector>

#include <QString>
#include <QStringList>

#include "addressbook/mail_client.h"

namespace murmel {

// A contact taken from the mail client.
struct cContact {
    QString Name;
    QString Address;
};

class ContactImport {
public:
    explicit ContactImport(MailClient& client) : client_(client) {}

    // The window's load: false when there is no client (the window hides).
    // Otherwise logs on, lists the profiles and chooses the first.
    bool Load();

    const QStringList& Profiles() const { return profiles_; }
    const QStringList& Folders() const { return folders_; }
    // The contacts of the chosen folder, first one of each name kept.
    const std::vector<cContact>& Contacts() const { return contacts_; }

    // cboProfile_Click: lists the profile's contacts folders and chooses the first.
    void ChooseProfile(int profile);
    // cboFolder_Click: takes the folder's items that have both a subject and
    // an address.
    void ChooseFolder(int folder);

private:
    MailClient& client_;
    QStringList profiles_;
    QStringList folders_;
    std::vector<cContact> contacts_;
    int profile_ = -1;
};

}  // namespace murmel
