#pragma once
// What the dial-up operations need from the platform's connection manager:
// the phone-book entries, their stored details, dialing one, hanging up the
// one dialed, and whether the machine is online. Errors come back as the
// manager's own text (empty when it gave none).

#include <QObject>
#include <string>
#include <vector>

namespace corvy::dialup {

// What an entry holds for dialing; a field the entry's kind lacks is empty.
struct EntryDetails {
    std::string number;
    std::string user;
    std::string password;

    friend bool operator==(const EntryDetails&, const EntryDetails&) = default;
};

class DialUpBackend : public QObject {
    Q_OBJECT
public:
    // True when the machine has a working connection to the Internet.
    virtual bool Online(std::string& error) = 0;
    virtual bool ListEntries(std::vector<std::string>& names, std::string& error) = 0;
    virtual bool LookUp(const std::string& name, EntryDetails& details, std::string& error) = 0;
    // Connects the entry with the given details and waits until it is up or
    // has failed. The connection made is remembered for HangUp.
    virtual bool Dial(const std::string& name, const EntryDetails& details, std::string& error) = 0;
    // Ends only the connection Dial made; false when there is none.
    virtual bool HangUp() = 0;

signals:
    // The machine went online or offline.
    void OnlineChanged(bool online);
};

}  // namespace corvy::dialup
