#include "composer/composer.h"

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

#include "composer/composer_panel.h"
#include "composer/recipients.h"
#include "composer/settings_post.h"
#include "composer/zip_file.h"
#include "settings/settings.h"
#include "startup/utilities.h"
#include "ui_composer_panel.h"

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

}  // namespace

QDateTime ComposerContext::Now() const {
    return QDateTime::currentDateTime();
}

QString ComposerContext::TimeZone() const {
    return GetTimeZone();
}

Composer::Composer(ComposerPanel& panel, ComposerContext& context, QObject* parent)
    : QObject(parent), ui_(*panel.ui()), context_(context) {
    connect(ui_.cmdTo, &QAbstractButton::clicked, this, &Composer::cmdTo_Click);
    connect(ui_.cmdCc, &QAbstractButton::clicked, this, &Composer::cmdCC_Click);
    // activated is the user's choice only, never a programmatic change.
    connect(ui_.cmbTo, &QComboBox::activated, this, &Composer::cmbTo_Click);
    connect(ui_.cmbCc, &QComboBox::activated, this, &Composer::cmbCc_Click);
    connect(ui_.chkReturnReceipt, &QAbstractButton::clicked, this,
            &Composer::chkReturnReceipt_Click);
    ui_.lblReturnReceipt->installEventFilter(this);
    ui_.txtSubject->installEventFilter(this);
}

bool Composer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_.lblReturnReceipt && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblReturnReceipt_Click();
        return true;
    }
    if (watched == ui_.txtSubject && event->type() == QEvent::FocusIn) {
        // Selecting inside the focus event would be undone by the click that
        // gave the focus; select once that click is through.
        QTimer::singleShot(0, this, &Composer::txtSubject_GotFocus);
    }
    return QObject::eventFilter(watched, event);
}

void Composer::playIfEnabled(const char* name) {
    context_.PlaySound(QLatin1String(name));
}

bool Composer::isPlaceholderOrEmpty(const QString& text) const {
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() || trimmed.compare(placeholder(), Qt::CaseInsensitive) == 0;
}

void Composer::missingRecipient() {
    playIfEnabled("error.wav");
    context_.MessageBox(T("mm0005"));
    ui_.cmbTo->setFocus();
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
    QComboBox* box = ui_.cmbTo;
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
        context_.Status() = kInitializing;
        box->setCurrentIndex(0);
        context_.Status().clear();
    } else {
        box->insertItem(0, text);
        SetBoxText(box, text);  // inserting may move the current entry
    }
}

void Composer::cmdSend_Click() {
    playIfEnabled("click.wav");
    if (isPlaceholderOrEmpty(ui_.cmbTo->currentText())) {
        missingRecipient();
        return;
    }
    m_NormalizeRecipients(ui_.cmbTo);
    // A leading empty item (", a") normalises to nothing; an item addressed to
    // nobody would be queued and silently lost, so it counts as no recipient.
    if (ui_.cmbTo->currentText().trimmed().isEmpty()) {
        missingRecipient();
        return;
    }
    moveToTopOfRecent();
    if (!isPlaceholderOrEmpty(ui_.cmbCc->currentText())) {
        m_NormalizeRecipients(ui_.cmbCc);
    }

    const QString wave = context_.AppPath() + QStringLiteral("/in.wav");
    const QString zip = context_.AppPath() + QStringLiteral("/in.zip");
    if (!FileExists(wave)) {
        return;
    }
    QFile::remove(zip);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    emit StatusText(T("mail0003"));

    int status = 0;
    const QString shortApp = GetShortPath(context_.AppPath());
    const int result =
        ZipFile(shortApp + QStringLiteral("/in.wav"), shortApp + QStringLiteral("/in.zip"));
    if (result != 0) {
        status = result + 100;
        playIfEnabled("error.wav");
        emit StatusText(T("mm0013"));
    } else {
        emit SendingStarted();
        const QString cc = ui_.cmbCc->currentText().trimmed();
        const SettingsPost sender(context_.settings());
        PostEnvironment env;
        env.outboxFolder = context_.AppPath() + QStringLiteral("/Outbox");
        env.settings = &sender;
        env.T = [this](std::string_view id) { return T(id); };
        env.versionMajor = MURMEL_VERSION_MAJOR;
        env.versionMinor = MURMEL_VERSION_MINOR;
        env.clock = [this] { return context_.Now(); };
        env.timeZone = [this] { return context_.TimeZone(); };
        status = BuildPost(
            env, ui_.cmbTo->currentText().trimmed(), isPlaceholderOrEmpty(cc) ? QString() : cc,
            ui_.txtSubject->text().trimmed(), ui_.chkReturnReceipt->isChecked() ? 1 : 0, zip);
    }
    QApplication::restoreOverrideCursor();
    lastStatus_ = status;

    if (status == 0) {
        context_.ShowUploadWindow();
        ui_.txtSubject->clear();
        emit StatusText(T("mm0036"));
        emit SendingEnded(true);
        context_.Sent();
        return;
    }
    emit SendingEnded(false);
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
        emit StatusText(T(message));
    }
}

void Composer::pickInto(QComboBox* box, bool cc) {
    playIfEnabled("click.wav");
    if (const std::optional<QStringList> chosen = context_.PickAddresses(cc)) {
        const QString joined = chosen->join(QStringLiteral(", "));
        SetBoxText(box, joined.isEmpty() ? placeholder() : joined);
    }
    box->setFocus();
}

void Composer::cmdTo_Click() {
    pickInto(ui_.cmbTo, false);
}

void Composer::cmdCC_Click() {
    pickInto(ui_.cmbCc, true);
}

void Composer::cmbTo_Click() {
    if (context_.Status() != kInitializing) {
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
    ui_.chkReturnReceipt->toggle();
    playIfEnabled("click.wav");
}

void Composer::txtSubject_GotFocus() {
    ui_.txtSubject->selectAll();
}

void Composer::m_LoadRecipients() {
    const QStringList lines = LoadRecipientsFile(context_.AppPath() + QStringLiteral("/Tos.txt"));
    ui_.cmbTo->addItems(lines);
    ui_.cmbCc->addItems(lines);
    if (ui_.cmbTo->count() == 0) {
        ui_.cmbTo->addItem(placeholder());
    }
    ui_.cmbTo->setCurrentIndex(0);
    ui_.cmbCc->insertItem(0, placeholder());
    ui_.cmbCc->setCurrentIndex(0);
}

void Composer::m_SaveRecipients() {
    QStringList entries;
    for (int i = 0; i < ui_.cmbTo->count() && i < kMaxRecentRecipients; ++i) {
        entries << ui_.cmbTo->itemText(i);
    }
    SaveRecipientsFile(context_.AppPath() + QStringLiteral("/Tos.txt"), entries, placeholder());
}

}  // namespace murmel
