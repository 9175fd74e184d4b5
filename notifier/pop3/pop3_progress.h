#pragma once
// What the POP3 client asks of a progress window: its Cancel button and
// title. The header window's progress window implements it.

#include <string>

namespace corvy::pop3 {

class Pop3Progress {
public:
    virtual ~Pop3Progress() = default;
    virtual void EnableCancel(bool enabled) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    // Pumps pending events, then returns and clears the Cancel flag.
    virtual bool CheckCancelButton() = 0;
};

}  // namespace corvy::pop3
