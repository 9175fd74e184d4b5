#pragma once
// Delivery into a Maildir: the message is written in tmp/, fsynced and renamed
// into new/. Names come from the spool item, so an item delivered just before
// a crash is found there again and not delivered twice.

#include <filesystem>
#include <functional>
#include <string>

namespace murmel::relay {

class Maildir {
public:
    explicit Maildir(std::filesystem::path root);

    // Creates tmp/, new/ and cur/ (0700).
    bool Prepare(std::string* error);
    // True when a message of that name is in new/ or, already seen, in cur/.
    bool Has(const std::string& name) const;
    // write gets the open tmp/ file; false from it leaves nothing behind.
    bool Deliver(const std::string& name,
                 const std::function<bool(int fd, std::string* error)>& write, std::string* error);

    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path root_;
};

// "<received>.<item id>.<host>", with '/' and ':' of the host name escaped.
std::string MaildirName(std::int64_t received, const std::string& itemId,
                        const std::string& hostName);

}  // namespace murmel::relay
