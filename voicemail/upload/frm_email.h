#pragma once
// The upload window: sends every outbox item over its own connection to the
// relay server as an HTTP/1.0 POST, one 8192-byte chunk per timer tick, and
// deletes each item once the system has taken all of its bytes. With
// the outbox empty it asks for an advertisement check and closes.
//
//   murmel::frmEmail::ShowUpload(services);   // after an item was written
//
// One window at a time: showing it while it runs leaves it running; items
// written meanwhile are picked up at its next connection.

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string_view>

#include "net/socket_control.h"

namespace Ui {
class frmEmail;
}

namespace murmel {

struct UploadServices {
    QString appPath;                                     // program folder
    std::function<QString()> connectTo;                  // the ConnectTo setting
    std::function<QString(std::string_view)> T;          // language strings
    std::function<bool()> soundsEnabled;                 // PlaySounds is "1"
    std::function<void(const QString& path)> playSound;  // returns at once
    std::function<void()> checkForAds;                   // the main window's m_CheckForAds
    // Critical-error box; a QMessageBox when unset.
    std::function<void(const QString& title, const QString& text)> errorBox;
    std::function<void(double seconds)> pause;  // Pause when unset
    int tickMs = 1000;                          // tmrUpload's interval
};

// Codes of failures that are not the socket's own (they show the table's rows).
inline constexpr int kUploadInterrupted = 20303;     // peer closed before the item was complete
inline constexpr int kUploadItemUnreadable = 30001;  // the outbox item could not be read
inline constexpr int kUploadItemNotRemoved = 30002;  // a sent item could not be deleted

class frmEmail : public QWidget {
    Q_OBJECT
public:
    // Shows the one upload window, creating and loading it when none is open.
    static frmEmail* ShowUpload(UploadServices services);
    // The open upload window, or null.
    static frmEmail* Current();

    explicit frmEmail(UploadServices services, QWidget* parent = nullptr);
    ~frmEmail() override;

    void Form_Load();
    void Form_Unload();
    void sConnect_Connect();
    void sConnect_SendReady();
    void sConnect_Receive(const QByteArray& line);
    void sConnect_Exception(int errorCode, const QString& description);
    void sConnect_Close(int errorCode);
    void tmrUpload_Timer();
    void m_CloseConnection(int result, int code, const QString& description);
    void m_ShowUploadError(int code, const QString& description);

    // For tests and diagnostics.
    const QString& currentFile() const { return m_CurrentFile; }
    int sentPos() const { return m_SentPos; }
    vantry::net::SocketControl& socket() { return sConnect; }
    QTimer& uploadTimer() { return tmrUpload; }

signals:
    // The window is about to be released.
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QString T(std::string_view id) const;
    QString outboxFolder() const;
    void playIfEnabled(const char* name);
    bool connectNext();
    void failAndUnload(int code, const QString& description);
    void unload();

    std::unique_ptr<Ui::frmEmail> ui_;
    UploadServices s_;
    vantry::net::SocketControl sConnect;
    QTimer tmrUpload;

    QString m_CurrentFile;
    QByteArray m_Buffer;
    int m_SentPos = 1;
    bool itemActive_ = false;     // an item is between its request line and its hand-over
    bool lastChunkSent_ = false;  // its last chunk was given to the socket
    bool unloading_ = false;
    bool unloadedOnce_ = false;

    static QPointer<frmEmail> current_;
};

}  // namespace murmel
