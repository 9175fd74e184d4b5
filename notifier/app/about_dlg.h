#pragma once
// The About box: program name, version, and the maker's web page and mail
// address opened with the desktop's "open" action.

#include <QDialog>

#include "services/notifier_services.h"

namespace corvy {

inline constexpr const char* kMakerWebPage = "https://corvy.vantry.example/";
inline constexpr const char* kMakerMail = "mailto:corvy@vantry.example";

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(NotifierServices& services, QWidget* parent = nullptr);
    void OnWebPage();
    void OnMail();

private:
    NotifierServices& services_;
};

}  // namespace corvy
