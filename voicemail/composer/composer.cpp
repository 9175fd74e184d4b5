#include "composer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>

#include "recipients.h"
#include "utilities.h"
#include "zip_file.h"

namespace murmel {

namespace {

const QString kInitializing = QStringLiteral("Initializing");

void SetBoxText(QComboBox* box, const QString& text) {
    if (box->isEditable()) {
        box->setEditText(text);
    } else {
        box->setCurrentText(text);
    }
}

void Enable(QAbstractButton* button, bool on) {
    if (button != nullptr) {
        button->setEnabled(on);
    }
}

}  // namespace

Composer::Composer(const ComposerView& view, ComposerServices services, QObject* parent)
    : QObject(parent), v_(view), s_(std::move(services)) {
    if (v_.cmdSend != nullptr) {
        connect(v_.cmdSend, &QAbstractButton::clicked, this, &Composer::cmdSend_Click);
    }
    if (v_.cmdTo != nullptr) {
        connect(v_.cmdTo, &QAbstractButton::clicked, this, &Composer::cmdTo_Click);
    }
    if (v_.cmdCc != nullptr) {
        connect(v_.cmdCc, &QAbstractButton::clicked, this, &Composer::cmdCC_Click);
    }
    // activated is the user's choice only, never a programmatic change.
    if (v_.cmbTo != nullptr) {
        connect(v_.cmbTo, &QComboBox::activated, this, &Composer::cmbTo_Click);
    }
    if (v_.cmbCc != nullptr) {
        connect(v_.cmbCc, &QComboBox::activated, this, &Composer::cmbCc_Click);
    }
    if (v_.chkReturnReceipt != nullptr) {
        connect(v_.chkReturnReceipt, &QAbstractButton::clicked, this,
                &Composer::chkReturnReceipt_Click);
    }
    if (v_.lblReturnReceipt != nullptr) {
        v_.lblReturnReceipt->installEventFilter(this);
    }
    if (v_.txtSubject != nullptr) {
        v_.txtSubject->installEventFilter(this);
    }
}

bool Composer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == v_.lblReturnReceipt && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblReturnReceipt_Click();
        return true;
    }
    if (watched == v_.txtSubject && event->type() == QEvent::FocusIn) {
        // Selecting inside the focus event would be undone by the click that
        // gave the focus; select once that click is through.
        QTimer::singleShot(0, this, &Composer::txtSubject_GotFocus);
    }
    return QObject::eventFilter(watched, event);
}

QString Composer::T(std::string_view id) const {
    return s_.T ? s_.T(id) : QString::fromLatin1(id.data(), static_cast<qsizetype>(id.size()));
}

QString Composer::sound(const char* name) const {
    return s_.appPath + QStringLiteral("/sounds/") + QLatin1String(name);
}

void Composer::playIfEnabled(const char* name) {
    if (s_.soundsEnabled && s_.soundsEnabled() && s_.playSound) {
        s_.playSound(sound(name));
    }
}

bool Composer::isPlaceholderOrEmpty(const QString& text) const {
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() || trimmed.compare(placeholder(), Qt::CaseInsensitive) == 0;
}

void Composer::setStatusText(const QString& text) {
    if (v_.lblStatus != nullptr) {
        v_.lblStatus->setText(text);
    }
}

void Composer::setButtons(bool record, bool play, bool stop, bool send, bool close, bool hide) {
    Enable(v_.cmdRecord, record);
    Enable(v_.cmdPlay, play);
    Enable(v_.cmdStop, stop);
    Enable(v_.cmdSend, send);
    Enable(v_.cmdClose, close);
    Enable(v_.cmdHide, hide);
}

void Composer::missingRecipient() {
    playIfEnabled("error.wav");
    if (s_.messageBox) {
        s_.messageBox(T("mm0005"));
    }
    v_.cmbTo->setFocus();
}

int Composer::m_NormalizeRecipients(QComboBox* box) {
    QString text = box->currentText();
    const int status = NormalizeRecipients(text);
    if (status == 0) {
        SetBoxText(box, text);
    }
    return status;
}

void Composer::moveToTopOfRecent() {
    QComboBox* box = v_.cmbTo;
    const QString text = box->currentText();
    int found = -1;
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
            found = i;
            break;
        }
    }
    if (found >= 0) {
        box->removeItem(found);
        box->insertItem(0, text);
        // "Initializing" keeps the list's click sound silent during the selection.
        if (s_.setStatus) {
            s_.setStatus(kInitializing);
        }
        box->setCurrentIndex(0);
        if (s_.setStatus) {
            s_.setStatus(QString());
        }
    } else {
        box->insertItem(0, text);
        SetBoxText(box, text);  // inserting may move the current entry
    }
}

void Composer::cmdSend_Click() {
    playIfEnabled("click.wav");
    if (isPlaceholderOrEmpty(v_.cmbTo->currentText())) {
        missingRecipient();
        return;
    }
    m_NormalizeRecipients(v_.cmbTo);
    // A leading empty item (", a") normalises to nothing; an item addressed to
    // nobody would be queued and silently lost, so it counts as no recipient.
    if (v_.cmbTo->currentText().trimmed().isEmpty()) {
        missingRecipient();
        return;
    }
    moveToTopOfRecent();
    if (!isPlaceholderOrEmpty(v_.cmbCc->currentText())) {
        m_NormalizeRecipients(v_.cmbCc);
    }

    const QString wave = s_.appPath + QStringLiteral("/in.wav");
    const QString zip = s_.appPath + QStringLiteral("/in.zip");
    if (!FileExists(wave)) {
        return;
    }
    QFile::remove(zip);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    setStatusText(T("mail0003"));

    int status = 0;
    const QString shortApp = GetShortPath(s_.appPath);
    const int result =
        ZipFile(shortApp + QStringLiteral("/in.wav"), shortApp + QStringLiteral("/in.zip"));
    if (result != 0) {
        status = result + 100;
        playIfEnabled("error.wav");
        setStatusText(T("mm0013"));
    } else {
        setButtons(false, false, false, false, false, false);
        const QString cc = v_.cmbCc->currentText().trimmed();
        PostEnvironment env;
        env.outboxFolder = s_.appPath + QStringLiteral("/Outbox");
        env.settings = s_.settings;
        env.T = [this](std::string_view id) { return T(id); };
        env.versionMajor = s_.versionMajor;
        env.versionMinor = s_.versionMinor;
        env.clock = s_.clock;
        env.timeZone = s_.timeZone;
        status = BuildPost(
            env, v_.cmbTo->currentText().trimmed(), isPlaceholderOrEmpty(cc) ? QString() : cc,
            v_.txtSubject != nullptr ? v_.txtSubject->text().trimmed() : QString(),
            v_.chkReturnReceipt != nullptr && v_.chkReturnReceipt->isChecked() ? 1 : 0, zip);
    }
    QApplication::restoreOverrideCursor();
    lastStatus_ = status;

    if (status == 0) {
        if (s_.showUploadWindow) {
            s_.showUploadWindow();
        }
        if (v_.txtSubject != nullptr) {
            v_.txtSubject->clear();
        }
        setStatusText(T("mm0036"));
        setButtons(true, false, false, false, true, true);
        if (v_.cmdRecord != nullptr) {
            v_.cmdRecord->setFocus();
        }
        if (v_.form != nullptr) {
            v_.form->repaint();
        }
        if (s_.sent) {
            s_.sent();
        }
        return;
    }
    setButtons(true, true, false, true, true, true);
    const char* message = nullptr;
    switch (status) {
        case kPostArchiveMissing:
            message = "mm0008";
            break;
        case kPostArchiveEmpty:
            message = "mm0009";
            break;
        case kPostArchiveUnreadable:
            message = "mm0011";
            break;
        case kPostNoOwnAddress:
            message = "mm0010";
            break;
        case kPostItemNotWritten:
            message = "mm0013";
            break;
        default:
            break;  // a zip failure keeps its text
    }
    if (message != nullptr) {
        playIfEnabled("error.wav");
        setStatusText(T(message));
    }
}

void Composer::pickInto(QComboBox* box, bool cc) {
    playIfEnabled("click.wav");
    if (s_.pickAddresses) {
        if (const std::optional<QStringList> chosen = s_.pickAddresses(cc)) {
            const QString joined = chosen->join(QStringLiteral(", "));
            SetBoxText(box, joined.isEmpty() ? placeholder() : joined);
        }
    }
    box->setFocus();
}

void Composer::cmdTo_Click() {
    pickInto(v_.cmbTo, false);
}

void Composer::cmdCC_Click() {
    pickInto(v_.cmbCc, true);
}

void Composer::cmbTo_Click() {
    if (!s_.status || s_.status() != kInitializing) {
        playIfEnabled("swoosh.wav");
    }
}

void Composer::cmbCc_Click() {
    cmbTo_Click();
}

void Composer::chkReturnReceipt_Click() {
    playIfEnabled("click.wav");
}

void Composer::lblReturnReceipt_Click() {
    if (v_.chkReturnReceipt != nullptr) {
        v_.chkReturnReceipt->toggle();
    }
    playIfEnabled("click.wav");
}

void Composer::txtSubject_GotFocus() {
    if (v_.txtSubject != nullptr) {
        v_.txtSubject->selectAll();
    }
}

void Composer::m_LoadRecipients() {
    const QStringList lines = LoadRecipientsFile(s_.appPath + QStringLiteral("/Tos.txt"));
    v_.cmbTo->addItems(lines);
    v_.cmbCc->addItems(lines);
    if (v_.cmbTo->count() == 0) {
        v_.cmbTo->addItem(placeholder());
    }
    v_.cmbTo->setCurrentIndex(0);
    v_.cmbCc->insertItem(0, placeholder());
    v_.cmbCc->setCurrentIndex(0);
}

void Composer::m_SaveRecipients() {
    QStringList entries;
    for (int i = 0; i < v_.cmbTo->count() && i < kMaxRecentRecipients; ++i) {
        entries << v_.cmbTo->itemText(i);
    }
    SaveRecipientsFile(s_.appPath + QStringLiteral("/Tos.txt"), entries, placeholder());
}

}  // namespace murmel
