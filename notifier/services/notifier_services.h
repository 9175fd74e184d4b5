#pragma once
// What the notifier's windows ask of the desktop: message boxes, file
// choosers, the "open" action, starting a program from a command line,
// playing a sound and a desktop notification. Tests pass a fake
// (services/testing/fake_services.h).

#include <memory>
#include <string>

class QWidget;

namespace corvy {

enum class BoxIcon { None, Information, Exclamation, Question, Stop };
enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

class NotifierServices {
public:
    virtual ~NotifierServices() = default;

    virtual BoxAnswer MessageBox(QWidget* parent, const std::string& text, const std::string& title,
                                 BoxIcon icon, BoxButtons buttons) = 0;
    // Empty when the user cancelled. `filter` is "Label (*.ext)".
    virtual std::string ChooseFile(QWidget* parent, const std::string& title,
                                   const std::string& filter, const std::string& current) = 0;
    // The desktop's "open" action for a file or URL.
    virtual bool Open(const std::string& target) = 0;
    // Starts a program from a command line (words split at blanks, quotes
    // group), without a shell and without waiting.
    virtual bool RunCommandLine(const std::string& commandLine) = 0;
    // Starts a wave file and returns at once; false when it cannot play.
    virtual bool PlaySoundAsync(const std::string& file) = 0;
    // A desktop notification, when the desktop has a notification service.
    virtual void Notify(const std::string& summary, const std::string& body) = 0;
    // False where the compositor places windows (Wayland): a saved size can be
    // applied there, a saved position cannot (it is still saved for X11).
    virtual bool PlacesWindows() const = 0;
};

std::unique_ptr<NotifierServices> CreateSystemServices();

// Opens a help page installed with the program (`dataFolder`/htm/`page`)
// in the desktop's browser; says so when it cannot.
inline void OpenHelp(NotifierServices& services, QWidget* parent, const std::string& dataFolder,
                     const std::string& page) {
    if (!services.Open(dataFolder + "/htm/" + page)) {
        services.MessageBox(parent, "Could not open your Web Browser", "Corvy",
                            BoxIcon::Exclamation, BoxButtons::Ok);
    }
}

}  // namespace corvy
