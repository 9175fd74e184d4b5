#pragma once
// The composition controls of the main window: recipient boxes with their
// recent list, subject, return receipt, and the send sequence that zips the
// recording, writes the outbox item and hands over to the upload window.
//
// The main window keeps its widgets; it gives them to Composer through
// ComposerView and the rest of the program through ComposerServices:
//   murmel::Composer composer(view, services);   // wires the widgets' signals
//   composer.m_LoadRecipients();                 // during start-up
//   composer.m_SaveRecipients();                 // when the window unloads

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string_view>

#include "outbox_item.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace murmel {

struct ComposerView {
    QWidget* form = nullptr;  // repainted after a send; may be null
    QComboBox* cmbTo = nullptr;
    QComboBox* cmbCc = nullptr;
    QAbstractButton* cmdTo = nullptr;
    QAbstractButton* cmdCc = nullptr;
    QLineEdit* txtSubject = nullptr;
    QCheckBox* chkReturnReceipt = nullptr;
    QLabel* lblReturnReceipt = nullptr;
    QLabel* lblStatus = nullptr;
    QAbstractButton* cmdRecord = nullptr;
    QAbstractButton* cmdPlay = nullptr;
    QAbstractButton* cmdStop = nullptr;
    QAbstractButton* cmdSend = nullptr;
    QAbstractButton* cmdClose = nullptr;
    QAbstractButton* cmdHide = nullptr;
};

struct ComposerServices {
    QString appPath;  // program folder
    const PostSettings* settings = nullptr;
    std::function<QString(std::string_view)> T;           // language strings
    std::function<bool()> soundsEnabled;                  // PlaySounds is "1"
    std::function<void(const QString& path)> playSound;   // returns at once
    std::function<void(const QString& text)> messageBox;  // OK button only
    std::function<void()> showUploadWindow;               // the upload window, modeless
    std::function<QString()> status;                      // the main window's m_Status
    std::function<void(const QString&)> setStatus;
    // The address picker for To (false) or Cc (true): the chosen addresses in
    // list order, or nullopt when no picker is available (the box stays).
    std::function<std::optional<QStringList>(bool cc)> pickAddresses;
    std::function<void()> sent;               // after an item was written
    int versionMajor = MURMEL_VERSION_MAJOR;  // the program's own version
    int versionMinor = MURMEL_VERSION_MINOR;
    std::function<QDateTime()> clock;   // local time; now when unset
    std::function<QString()> timeZone;  // the machine's zone when unset
};

class Composer : public QObject {
    Q_OBJECT
public:
    // Connects the widgets' user signals to the handlers below.
    Composer(const ComposerView& view, ComposerServices services, QObject* parent = nullptr);

    void cmdSend_Click();
    void cmdTo_Click();
    void cmdCC_Click();
    void cmbTo_Click();
    void cmbCc_Click();
    void chkReturnReceipt_Click();
    void lblReturnReceipt_Click();
    void txtSubject_GotFocus();

    void m_LoadRecipients();
    void m_SaveRecipients();

    // 0, or 4 when the box's text is longer than 1024 characters (left as is).
    int m_NormalizeRecipients(QComboBox* box);

    // Status of the last send: 0, a PostStatus, or 100 + the zip library's result.
    int lastStatus() const { return lastStatus_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString T(std::string_view id) const;
    QString placeholder() const { return T("mm0002"); }
    QString sound(const char* name) const;
    void playIfEnabled(const char* name);
    bool isPlaceholderOrEmpty(const QString& text) const;
    void missingRecipient();
    void moveToTopOfRecent();
    void pickInto(QComboBox* box, bool cc);
    void setButtons(bool record, bool play, bool stop, bool send, bool close, bool hide);
    void setStatusText(const QString& text);

    ComposerView v_;
    ComposerServices s_;
    int lastStatus_ = 0;
};

}  // namespace murmel
