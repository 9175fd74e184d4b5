#pragma once
// The peek window: the sender, date and subject of one message above the
// first lines of its body. Its reply button asks the header window to reply.

#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "profile/profile.h"
#include "services/notifier_services.h"

namespace Ui {
class CPeekDlg;
}

namespace corvy {

class CPeekDlg : public QDialog {
    Q_OBJECT
public:
    // `text` is the message as CR LF lines; without one the window is empty.
    CPeekDlg(vantry::profile::Profile& profile, NotifierServices& services,
             const std::string& dataFolder, const std::optional<std::string>& text, int peekLines,
             QWidget* parent = nullptr);
    ~CPeekDlg() override;

    void done(int result) override;

signals:
    void replyRequested();

private:
    std::unique_ptr<Ui::CPeekDlg> ui_;
    vantry::profile::Profile& profile_;
    bool placesWindows_;
};

// Message bytes for display: UTF-8 when they are valid UTF-8, else Latin-1.
QString MessageToDisplay(const std::string& bytes);

}  // namespace corvy
