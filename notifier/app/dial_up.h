#pragma once
// The dial-up operations the check cycle calls. No backend exists yet, so
// the machine is on a LAN: never online by dial-up, dialing fails, and
// nothing needs connecting or hanging up.

namespace corvy {

class DialUp {
public:
    virtual ~DialUp() = default;
    virtual bool Available() const = 0;
    virtual bool IsOnline() = 0;
    virtual bool Dial() = 0;
    virtual void HangUp() = 0;
    // Before server work from a menu: true when it may go on.
    virtual bool EnsureConnected() = 0;
    // After server work from a menu.
    virtual void OfferDisconnect() = 0;
};

class NoDialUp : public DialUp {
public:
    bool Available() const override { return false; }
    bool IsOnline() override { return false; }
    bool Dial() override { return false; }
    void HangUp() override {}
    bool EnsureConnected() override { return true; }
    void OfferDisconnect() override {}
};

}  // namespace corvy
