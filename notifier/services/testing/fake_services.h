#pragma once
// Stands in for the desktop in the notifier's window tests.

#include <string>
#include <vector>

#include "services/notifier_services.h"

namespace corvy {

// Records every request; answers message boxes from a queue (Yes/Ok when empty).
class FakeServices : public NotifierServices {
public:
    struct Box {
        std::string text;
        std::string title;
        BoxIcon icon;
        BoxButtons buttons;
    };

    BoxAnswer MessageBox(QWidget*, const std::string& text, const std::string& title, BoxIcon icon,
                         BoxButtons buttons) override {
        boxes.push_back({text, title, icon, buttons});
        if (!answers.empty()) {
            const BoxAnswer a = answers.front();
            answers.erase(answers.begin());
            return a;
        }
        return buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
    }
    std::string ChooseFile(QWidget*, const std::string& title, const std::string& filter,
                           const std::string&) override {
        chooserTitles.push_back(title + "|" + filter);
        return chosenFile;
    }
    bool Open(const std::string& target) override {
        opened.push_back(target);
        return openWorks;
    }
    bool RunCommandLine(const std::string& commandLine) override {
        commands.push_back(commandLine);
        return runWorks;
    }
    bool PlaySoundAsync(const std::string& file) override {
        sounds.push_back(file);
        return true;
    }
    void Notify(const std::string& summary, const std::string& body) override {
        notifications.push_back(summary + "|" + body);
    }
    bool PlacesWindows() const override { return placesWindows; }

    std::vector<Box> boxes;
    std::vector<BoxAnswer> answers;
    std::vector<std::string> chooserTitles;
    std::string chosenFile;
    std::vector<std::string> opened;
    bool openWorks = true;
    std::vector<std::string> commands;
    bool runWorks = true;
    std::vector<std::string> sounds;
    std::vector<std::string> notifications;
    bool placesWindows = true;
};

}  // namespace corvy
