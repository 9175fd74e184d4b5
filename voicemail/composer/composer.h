#pragma once
// The composition controls of the main window: recipient boxes with their
// recent list, subject, return receipt, and the send sequence that zips the
// recording, writes the outbox item and hands over to the upload window.
//
// The main window keeps its widgets; it gives them to Composer through
// ComposerView and the rest of the program through one ComposerContext:
//   murmel::Composer composer(view, context);    // wires the widgets' signals
//   composer.m_LoadRecipients();                 // during start-up
//   composer.m_SaveRecipients();                 // when the window unloads

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>

#include "composer/outbox_item.h"
#include "startup/panel_context.h"

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
    // Connects the widgets' user signals to the handlers below.
    Composer(const ComposerView& view, ComposerContext& context, QObject* parent = nullptr);

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
    QString T(std::string_view id) const { return context_.T(id); }
    QString placeholder() const { return T("mm0002"); }
    void playIfEnabled(const char* name);
    bool isPlaceholderOrEmpty(const QString& text) const;
    void missingRecipient();
    void moveToTopOfRecent();
    void pickInto(QComboBox* box, bool cc);
    void setButtons(bool record, bool play, bool stop, bool send, bool close, bool hide);
    void setStatusText(const QString& text);

    ComposerView v_;
    ComposerContext& context_;
    int lastStatus_ = 0;
};

}  // namespace murmel
