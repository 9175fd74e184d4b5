#include "addressbook/contact_import.h"

#include <algorithm>

namespace murmel {

bool ContactImport::Load() {
    if (!client_.CreateApplication()) {
        return false;
    }
    client_.Logon();
    profiles_ = client_.TopLevelFolders();
    if (!profiles_.isEmpty()) {
        ChooseProfile(0);
    }
    return true;
}

void ContactImport::ChooseProfile(int profile) {
    folders_.clear();
    contacts_.clear();
    profile_ = profile >= 0 && profile < profiles_.size() ? profile : -1;
    if (profile_ < 0) {
        return;
    }
    folders_ = client_.ContactFolders(profile_);
    if (!folders_.isEmpty()) {
        ChooseFolder(0);
    }
}

void ContactImport::ChooseFolder(int folder) {
    contacts_.clear();
    if (profile_ < 0 || folder < 0 || folder >= folders_.size()) {
        return;
    }
    for (const MailClientItem& item : client_.Items(profile_, folder)) {
        if (item.subject.isEmpty() || item.email1address.isEmpty()) {
            continue;
        }
        const bool taken = std::any_of(contacts_.begin(), contacts_.end(), [&](const cContact& c) {
            return c.Name.compare(item.subject, Qt::CaseInsensitive) == 0;
        });
        if (!taken) {
            contacts_.push_back({item.subject, item.email1address});
        }
    }
}

}  // namespace murmel
