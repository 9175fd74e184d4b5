#pragma once
// The new-mail window: which accounts have new mail, and whether to view
// their headers (Yes), not now (No) or start the e-mail program (Client).

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "services/notifier_services.h"

namespace Ui {
class CNewMailDlg;
}

namespace corvy {

class CNewMailDlg : public QDialog {
    Q_OBJECT
public:
    // `sound` empty: silent. `dialed`: this program dialed for the check, so
    // the connection is hung up after two minutes through `hangUp`.
    CNewMailDlg(NotifierServices& services, const std::vector<std::string>& accounts,
                const std::string& sound, const std::string& emailClient, bool dialed,
                std::function<void()> hangUp, QWidget* parent = nullptr);
    ~CNewMailDlg() override;

    // The account chosen with Yes.
    std::string Selected() const;
    QTimer& HangUpTimer() { return hangUpTimer_; }

    void OnYes();
    void OnClient();

protected:
    void showEvent(QShowEvent* event) override;

private:
    NotifierServices& services_;
    std::string sound_;
    std::string client_;
    bool soundPlayed_ = false;
    std::function<void()> hangUp_;
    QTimer hangUpTimer_;
    std::unique_ptr<Ui::CNewMailDlg> ui_;
};

}  // namespace corvy
