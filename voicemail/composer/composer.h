#pragma once
// The composition controls of the main window: recipient boxes with their
// recent list, subject, return receipt, and the send sequence that zips the
// recording, writes the outbox item and hands over to the upload window.
//
// The Composer drives the window's ComposerPanel and reaches the rest of the
// program through one ComposerContext:
// clang-format off
//   murmel::Composer composer(*window.composerPanel(), context);  // wires the panel
//   composer.m_LoadRecipients();                                 // during start-up
//   composer.m_SaveRecipients();                                 // when the window unloads
// clang-format on
// Send is the recorder's button: the window routes its click to cmdSend_Click,
// and the recorder follows SendingStarted/SendingEnded and shows StatusText.

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>

#include "composer/outbox_item.h"
#include "startup/panel_context.h"

class QComboBox;

namespace Ui {
class ComposerPanel;
}

namespace murmel {

class ComposerPanel;

// The program as the composer sees it: the shared panel services plus the
// windows it opens and the time a message is stamped with.
class ComposerContext : public PanelContext {
public:
    // Shows the upload window, modeless.
    virtual void ShowUploadWindow() = 0;
    // The address picker for To (false) or Cc (true): the chosen addresses in
    // list order, or nullopt when no picker is available (the box stays).
    virtual std::optional<QStringList> PickAddresses(bool cc) = 0;
    // After an item was written.
    virtual void Sent() {}
    // Local time and its zone ("-0500") for the item's date.
    virtual QDateTime Now() const;
    virtual QString TimeZone() const;
};

class Composer : public QObject {
    Q_OBJECT
public:
    // Connects the panel's user signals to the handlers below.
    Composer(ComposerPanel& panel, ComposerContext& context, QObject* parent = nullptr);

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

signals:
    // The message is being built: the recorder's buttons wait.
    void SendingStarted();
    // The send is over: SENT when the item is queued for upload.
    void SendingEnded(bool sent);
    // A text for the window's status line.
    void StatusText(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString T(std::string_view id) const { return context_.T(id); }
    QString placeholder() const { return T("mm0002"); }
    void playIfEnabled(const char* name);
    bool isPlaceholderOrEmpty(const QString& text) const;
    void missingRecipient();
    void moveToTopOfRecent();
    void pickInto(QComboBox* box, bool cc);

    Ui::ComposerPanel& ui_;
    ComposerContext& context_;
    int lastStatus_ = 0;
};

}  // namespace murmel
