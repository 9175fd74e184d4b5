#pragma once
// What a panel of the main window (recorder, composer) asks of the program,
// given to it as one object by reference: language texts, sounds, the message
// box, the settings and the window's shared status.

#include <QString>

#include <string_view>

namespace murmel {

class Settings;

class PanelContext {
public:
    virtual ~PanelContext() = default;

    // The language string ID.
    virtual QString T(std::string_view id) const = 0;
    virtual Settings& settings() = 0;
    // Plays sounds/NAME of the program folder when the user wants sounds;
    // WAIT plays it to its end first.
    virtual void PlaySound(const QString& name, bool wait = false) = 0;
    // A message box with an OK button, the text shown as plain text.
    virtual void MessageBox(const QString& text) = 0;
    // The main window's m_Status, which the panels share.
    virtual QString& Status() = 0;
    // The program folder: in.wav, in.zip, Tos.txt and Outbox/ live there.
    virtual QString AppPath() const = 0;
};

}  // namespace murmel
