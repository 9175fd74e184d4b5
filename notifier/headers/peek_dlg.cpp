#include "headers/peek_dlg.h"

#include <QStringDecoder>

#include "headers/message_text.h"
#include "services/window_rectangle.h"
#include "ui_peek_dlg.h"

namespace corvy {
namespace {

constexpr const char* kSection = "Peek";

}  // namespace

QString MessageToDisplay(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (utf8.hasError()) {
        text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    // The edit fields show "\n" line ends.
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

CPeekDlg::CPeekDlg(vantry::profile::Profile& profile, NotifierServices& services,
                   const std::string& dataFolder, const std::optional<std::string>& text,
                   int peekLines, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::CPeekDlg>()),
      profile_(profile),
      placesWindows_(services.PlacesWindows()) {
    ui_->setupUi(this);
    LoadWindowRectangle(*this, profile_, kSection, placesWindows_);
    if (text) {
        const headers::MessageFields fields = headers::ExtractMessageFields(*text);
        ui_->txtHeaders->setPlainText(MessageToDisplay(headers::PeekHeaderText(fields)));
        ui_->txtBody->setPlainText(
            MessageToDisplay(headers::PeekBodyText(*text, headers::PeekLimit(peekLines))));
    }
    connect(ui_->cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->cmdReply, &QPushButton::clicked, this, &CPeekDlg::replyRequested);
    connect(ui_->cmdHelp, &QPushButton::clicked, this,
            [this, &services, dataFolder] { OpenHelp(services, this, dataFolder, "headers.htm"); });
}

CPeekDlg::~CPeekDlg() = default;

void CPeekDlg::done(int result) {
    SaveWindowRectangle(*this, profile_, kSection, placesWindows_);
    QDialog::done(result);
}

}  // namespace corvy
