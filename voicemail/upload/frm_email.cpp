#include "upload/frm_email.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>

#include "startup/utilities.h"
#include "ui_frm_email.h"
#include "upload/upload_texts.h"

namespace murmel {

namespace {

constexpr int kChunk = 8192;
const QByteArray kRequestLine = QByteArrayLiteral("POST /post/ HTTP/1.0\r\n");

}  // namespace

QPointer<frmEmail> frmEmail::current_;

frmEmail* frmEmail::ShowUpload(UploadServices services) {
    if (current_ != nullptr) {
        current_->show();
        current_->raise();
        return current_;
    }
    auto* form = new frmEmail(std::move(services));
    form->setAttribute(Qt::WA_DeleteOnClose);
    current_ = form;
    form->Form_Load();
    return form;
}

frmEmail* frmEmail::Current() {
    return current_;
}

frmEmail::frmEmail(UploadServices services, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::frmEmail>()), s_(std::move(services)) {
    ui_->setupUi(this);
    setWindowTitle(T("mm0001"));
    tmrUpload.setObjectName(QStringLiteral("tmrUpload"));
    tmrUpload.setInterval(s_.tickMs);
    sConnect.setObjectName(QStringLiteral("sConnect"));
    connect(&tmrUpload, &QTimer::timeout, this, &frmEmail::tmrUpload_Timer);
    using vantry::net::SocketControl;
    connect(&sConnect, &SocketControl::Connect, this, &frmEmail::sConnect_Connect);
    connect(&sConnect, &SocketControl::SendReady, this, &frmEmail::sConnect_SendReady);
    connect(&sConnect, &SocketControl::Receive, this, &frmEmail::sConnect_Receive);
    connect(&sConnect, &SocketControl::Exception, this, &frmEmail::sConnect_Exception);
    connect(&sConnect, &SocketControl::Close, this, &frmEmail::sConnect_Close);
}

frmEmail::~frmEmail() {
    if (current_ == this) {
        current_ = nullptr;
    }
}

QString frmEmail::T(std::string_view id) const {
    return s_.T ? s_.T(id)
                : DecodeUtf8OrLatin1(QByteArrayView(id.data(), static_cast<qsizetype>(id.size())));
}

QString frmEmail::outboxFolder() const {
    return s_.appPath + QStringLiteral("/Outbox");
}

void frmEmail::playIfEnabled(const char* name) {
    if (s_.soundsEnabled && s_.soundsEnabled() && s_.playSound) {
        s_.playSound(s_.appPath + QStringLiteral("/sounds/") + QLatin1String(name));
    }
}

void frmEmail::Form_Load() {
    QCoreApplication::processEvents();
    show();
    const ServerAddress server = ParseConnectTo(s_.connectTo ? s_.connectTo() : QString());
    SetRemoteAddress(sConnect, server.host);
    sConnect.setRemotePort(server.port);
    sConnect.setBufferSize(kChunk);
    connectNext();
}

// Starts the connection for the next item; a failure at once is reported and
// ends the window.
bool frmEmail::connectNext() {
    sConnect.setLineMode(true);
    sConnect.setLocalPort(0);
    if (const vantry::net::SocketError error = sConnect.setAction(vantry::net::kActionConnect)) {
        sConnect.setAction(vantry::net::kActionClose);
        failAndUnload(error.code, error.description);
        return false;
    }
    return true;
}

void frmEmail::failAndUnload(int code, const QString& description) {
    tmrUpload.stop();
    itemActive_ = false;
    m_CloseConnection(11, code, description);
    unload();
}

void frmEmail::sConnect_Connect() {
    if (unloading_) {
        return;
    }
    // Item names are time stamps: name order is the order they were made.
    const QStringList items = QDir(outboxFolder())
                                  .entryList({QStringLiteral("*.txt")},
                                             QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    if (items.isEmpty()) {
        m_CurrentFile.clear();
        if (s_.checkForAds) {
            s_.checkForAds();
        }
        if (s_.pause) {
            s_.pause(1);
        } else {
            Pause(1);
        }
        unload();
        return;
    }
    m_CurrentFile = items.first();
    ui_->lblStatus->setText(T("mail0003"));
    repaint();

    QFile item(outboxFolder() + QLatin1Char('/') + m_CurrentFile);
    if (!item.open(QIODevice::ReadOnly)) {
        // Sending nothing and deleting it would lose the item.
        sConnect.setAction(vantry::net::kActionClose);
        failAndUnload(kUploadItemUnreadable, item.errorString());
        return;
    }
    m_Buffer = item.readAll();
    item.close();

    m_SentPos = 1;
    ui_->ProgressBar1->setMinimum(0);
    ui_->ProgressBar1->setMaximum(static_cast<int>(m_Buffer.size()));
    ui_->ProgressBar1->setValue(0);
    itemActive_ = true;
    lastChunkSent_ = false;
    sConnect.Send(kRequestLine);
}

void frmEmail::sConnect_SendReady() {
    if (!unloading_ && !tmrUpload.isActive()) {
        tmrUpload.start();
    }
}

void frmEmail::sConnect_Receive(const QByteArray& /*line*/) {}

void frmEmail::sConnect_Exception(int errorCode, const QString& description) {
    if (unloading_) {
        return;
    }
    unsetCursor();
    failAndUnload(errorCode, description);
}

void frmEmail::sConnect_Close(int /*errorCode*/) {
    unsetCursor();
    if (unloading_ || !itemActive_) {
        return;
    }
    // The server went away before the item was complete. Waiting for an event
    // that cannot come would leave the window open with no word to the user;
    // the item stays for the next send.
    failAndUnload(kUploadInterrupted, QString());
}

void frmEmail::tmrUpload_Timer() {
    // Nothing to do once the item is handed over. (A position test alone would
    // never send an item of one byte.)
    if (!itemActive_) {
        return;
    }
    if (!lastChunkSent_) {
        const int length = static_cast<int>(m_Buffer.size());
        const bool last = m_SentPos + kChunk >= length;
        const QByteArray chunk =
            last ? m_Buffer.mid(m_SentPos - 1) : m_Buffer.mid(m_SentPos - 1, kChunk);
        if (sConnect.Send(chunk)) {
            tmrUpload.stop();  // SendReady starts it again
            return;
        }
        m_SentPos = last ? length : m_SentPos + kChunk;
        lastChunkSent_ = last;
        ui_->ProgressBar1->setValue(m_SentPos);
    }
    // Handed over means taken by the system: while bytes wait in the socket the
    // timer pauses, and the item is not deleted (its connection may still fail).
    if (sConnect.bytesToWrite() > 0) {
        tmrUpload.stop();
        return;
    }
    if (!lastChunkSent_) {
        return;
    }
    itemActive_ = false;
    tmrUpload.stop();
    sConnect.setAction(vantry::net::kActionClose);
    m_CloseConnection(0, 0, QString());
    const QString path = outboxFolder() + QLatin1Char('/') + m_CurrentFile;
    if (!QFile::remove(path) && QFile::exists(path)) {
        // Connecting again would send the same item over and over.
        failAndUnload(kUploadItemNotRemoved, QString());
        return;
    }
    m_Buffer.clear();
    connectNext();
}

void frmEmail::m_CloseConnection(int result, int code, const QString& description) {
    if (result == 0) {
        playIfEnabled("ok.wav");
        ui_->lblStatus->setText(T("mm0006"));
        return;
    }
    playIfEnabled("error.wav");
    ui_->lblStatus->setText(T("mm0013"));
    m_ShowUploadError(code, description);
}

void frmEmail::m_ShowUploadError(int code, const QString& description) {
    ui_->lblStatus->setText(QStringLiteral("MurmelMail not sent"));
    const QString text =
        UploadErrorMessage(code, description, [this](std::string_view id) { return T(id); });
    if (s_.errorBox) {
        s_.errorBox(T("mm0017"), text);
    } else {
        QMessageBox::critical(this, T("mm0017"), text);
    }
}

void frmEmail::unload() {
    if (unloading_) {
        return;
    }
    unloading_ = true;
    close();
}

void frmEmail::Form_Unload() {
    // A window on its way out is no longer the one to show.
    if (current_ == this) {
        current_ = nullptr;
    }
    tmrUpload.stop();
    itemActive_ = false;
    unloading_ = true;
    if (!unloadedOnce_) {
        unloadedOnce_ = true;
        emit unloaded();
    }
}

void frmEmail::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

}  // namespace murmel
