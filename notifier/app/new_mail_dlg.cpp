#include "new_mail_dlg.h"

#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include "ui_new_mail_dlg.h"

namespace corvy {

CNewMailDlg::CNewMailDlg(NotifierServices& services, const std::vector<std::string>& accounts,
                         const std::string& sound, const std::string& emailClient, bool dialed,
                         std::function<void()> hangUp, QWidget* parent)
    : QDialog(parent),
      services_(services),
      sound_(sound),
      client_(emailClient),
      hangUp_(std::move(hangUp)),
      ui_(std::make_unique<Ui::CNewMailDlg>()) {
    ui_->setupUi(this);
    for (const std::string& name : accounts) {
        ui_->lstAccounts->addItem(QString::fromStdString(name));
    }
    if (ui_->lstAccounts->count() > 0) {
        ui_->lstAccounts->setCurrentRow(0);
    }
    ui_->cmdYes->setIcon(style()->standardIcon(QStyle::SP_DialogYesButton));
    ui_->cmdNo->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));
    ui_->cmdClient->setIcon(style()->standardIcon(QStyle::SP_ComputerIcon));
    ui_->cmdClient->setEnabled(!client_.empty());
    connect(ui_->cmdYes, &QPushButton::clicked, this, [this] { OnYes(); });
    connect(ui_->cmdNo, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->cmdClient, &QPushButton::clicked, this, [this] { OnClient(); });

    hangUpTimer_.setSingleShot(true);
    connect(&hangUpTimer_, &QTimer::timeout, this, [this] {
        // The window stays open; only the line is given back.
        if (hangUp_) {
            hangUp_();
        }
    });
    if (dialed) {
        hangUpTimer_.start(120000);
    }
}

CNewMailDlg::~CNewMailDlg() = default;

void CNewMailDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
    activateWindow();
    if (!sound_.empty() && !soundPlayed_) {
        soundPlayed_ = true;
        services_.PlaySoundAsync(sound_);
    }
}

std::string CNewMailDlg::Selected() const {
    const QListWidgetItem* item = ui_->lstAccounts->currentItem();
    return item != nullptr ? item->text().toStdString() : std::string();
}

void CNewMailDlg::OnYes() {
    accept();
}

void CNewMailDlg::OnClient() {
    if (services_.RunCommandLine(client_)) {
        reject();
        return;
    }
    services_.MessageBox(this, "Could not start email program!", "Corvy", BoxIcon::Exclamation,
                         BoxButtons::Ok);
}

}  // namespace corvy
