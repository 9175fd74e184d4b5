#pragma once
// Dialog 167: not connected, connect now? With "Always ask before connecting".

#include <QDialog>
#include <memory>
#include <optional>

namespace Ui {
class CConnectDlg;
}

namespace corvy::dialup {

class CConnectDlg : public QDialog {
    Q_OBJECT
public:
    explicit CConnectDlg(QWidget* parent = nullptr);
    ~CConnectDlg() override;

    bool AlwaysAsk() const;
    // Shows the dialog: empty for No, else the state of the check box.
    static std::optional<bool> Ask();

private:
    std::unique_ptr<Ui::CConnectDlg> ui_;
};

// Dialog 164: dial-up support is missing. Returns "Don't show this again".
bool ShowNoDialUpNotice();

}  // namespace corvy::dialup
