#pragma once
// The About box: program name, version, and the maker's web page and mail
// address opened with the desktop's "open" action.

#include <QDialog>
#include <memory>

#include "services/notifier_services.h"

namespace Ui {
class CAboutDlg;
}

namespace corvy {

inline constexpr const char* kMakerWebPage = "https://corvy.vantry.example/";
inline constexpr const char* kMakerMail = "mailto:corvy@vantry.example";

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(NotifierServices& services, QWidget* parent = nullptr);
    ~CAboutDlg() override;
    void OnWebPage();
    void OnMail();

private:
    std::unique_ptr<Ui::CAboutDlg> ui_;
    NotifierServices& services_;
};

}  // namespace corvy
