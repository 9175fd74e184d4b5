#include "new_mail_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace corvy {

CNewMailDlg::CNewMailDlg(NotifierServices& services, const std::vector<std::string>& accounts,
                         const std::string& sound, const std::string& emailClient, bool dialed,
                         std::function<void()> hangUp, QWidget* parent)
    : QDialog(parent),
      services_(services),
      sound_(sound),
      client_(emailClient),
      hangUp_(std::move(hangUp)) {
    setObjectName(QStringLiteral("CNewMailDlg"));
    setWindowTitle(QStringLiteral("Corvy - New Mail"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("lstAccounts"));
    for (const std::string& name : accounts) {
        list_->addItem(QString::fromStdString(name));
    }
    if (list_->count() > 0) {
        list_->setCurrentRow(0);
    }
    auto* yes = new QPushButton(style()->standardIcon(QStyle::SP_DialogYesButton),
                                QStringLiteral("&Yes"), this);
    yes->setObjectName(QStringLiteral("cmdYes"));
    yes->setDefault(true);
    auto* no = new QPushButton(style()->standardIcon(QStyle::SP_DialogNoButton),
                               QStringLiteral("&No"), this);
    no->setObjectName(QStringLiteral("cmdNo"));
    auto* client = new QPushButton(style()->standardIcon(QStyle::SP_ComputerIcon),
                                   QStringLiteral("&Client"), this);
    client->setObjectName(QStringLiteral("cmdClient"));
    client->setEnabled(!client_.empty());
    connect(yes, &QPushButton::clicked, this, [this] { OnYes(); });
    connect(no, &QPushButton::clicked, this, &QDialog::reject);
    connect(client, &QPushButton::clicked, this, [this] { OnClient(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(yes);
    buttons->addWidget(no);
    buttons->addWidget(client);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("You have new mail at:"), this));
    layout->addWidget(list_);
    layout->addWidget(
        new QLabel(QStringLiteral("Would you like to view the message headers?"), this));
    layout->addLayout(buttons);

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
    const QListWidgetItem* item = list_->currentItem();
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
