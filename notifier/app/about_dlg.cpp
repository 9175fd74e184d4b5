#include "about_dlg.h"

#include <QPushButton>

#include "tray.h"
#include "ui_about_dlg.h"

namespace corvy {

CAboutDlg::CAboutDlg(NotifierServices& services, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CAboutDlg>()), services_(services) {
    ui_->setupUi(this);
    ui_->lblLogo->setPixmap(DrawTrayImage(TrayImage::NewMail).pixmap(32, 32));
    // The two action buttons sit in the box beside OK, so they are added here.
    auto* web = ui_->buttons->addButton(QStringLiteral("Web Page"), QDialogButtonBox::ActionRole);
    web->setObjectName(QStringLiteral("cmdWebPage"));
    auto* mail = ui_->buttons->addButton(QStringLiteral("Email"), QDialogButtonBox::ActionRole);
    mail->setObjectName(QStringLiteral("cmdEmail"));
    connect(ui_->buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(web, &QPushButton::clicked, this, [this] { OnWebPage(); });
    connect(mail, &QPushButton::clicked, this, [this] { OnMail(); });
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::OnWebPage() {
    if (!services_.Open(kMakerWebPage)) {
        services_.MessageBox(this, "Could not open your Web Browser", "Corvy", BoxIcon::Exclamation,
                             BoxButtons::Ok);
    }
}

void CAboutDlg::OnMail() {
    if (!services_.Open(kMakerMail)) {
        services_.MessageBox(this, "Could not open your Email Program", "Corvy",
                             BoxIcon::Exclamation, BoxButtons::Ok);
    }
}

}  // namespace corvy
