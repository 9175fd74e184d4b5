#include "about_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "tray.h"

namespace corvy {

CAboutDlg::CAboutDlg(NotifierServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowTitle(QStringLiteral("Corvy - About"));
    auto* logo = new QLabel(this);
    logo->setPixmap(DrawTrayImage(TrayImage::NewMail).pixmap(32, 32));
    auto* name = new QLabel(QStringLiteral("<b>Corvy</b>"), this);
    auto* version = new QLabel(QStringLiteral("Version 3.1a"), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto* web = new QPushButton(QStringLiteral("Web Page"), this);
    web->setObjectName(QStringLiteral("cmdWebPage"));
    auto* mail = new QPushButton(QStringLiteral("Email"), this);
    mail->setObjectName(QStringLiteral("cmdEmail"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->addButton(web, QDialogButtonBox::ActionRole);
    buttons->addButton(mail, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(web, &QPushButton::clicked, this, [this] { OnWebPage(); });
    connect(mail, &QPushButton::clicked, this, [this] { OnMail(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(logo);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(buttons);
}

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
