#pragma once
// frmAds: the hidden window that asks the relay server for the ad list with a
// raw HTTP/1.0 GET over the socket control, If-Modified-Since the last list,
// and merges the answer into the main window's ads when the server closes.
//
//   auto* ads = new frmAds(host);   // host: the main window's ad service
//   ads->Form_Load();
//   ads->GetAds();                  // the window unloads (deletes) itself
//
// It unloads after a "not modified" answer, after the server's close and
// after a failed connect; after an error status only the socket is closed.

#include <QByteArray>
#include <QString>
#include <QWidget>

#include "ads/ads_answer.h"
#include "net/socket_control.h"

namespace murmel {

// What the window needs of the main window.
class AdsHost {
public:
    virtual ~AdsHost() = default;
    virtual QString ConnectTo() const = 0;
    virtual QString LastAdUpdate() const = 0;
    virtual void SetLastAdUpdate(const QString& value) = 0;
    virtual void m_EndCurrentAds() = 0;
    virtual void m_LoadNewAd(const QByteArray& line) = 0;
    // The download merged a list (saved at once, so a crash keeps it).
    virtual void AdsMerged() = 0;
};

class frmAds : public QWidget {
    Q_OBJECT
public:
    explicit frmAds(AdsHost& host, QWidget* parent = nullptr);
    ~frmAds() override;

    void Form_Load();
    // Starts the download. Always false, as callers ignore it.
    bool GetAds();

    void sConnect_Connect();
    void sConnect_Receive(const QByteArray& line);
    void sConnect_Close(int errorCode);

    bool IsUnloaded() const { return unloaded_; }
    vantry::net::SocketControl& socket() { return sConnect; }
    const AdsAnswer& answer() const { return answer_; }

signals:
    // The window is about to be deleted.
    void unloaded();

private:
    void Unload();

    AdsHost& host_;
    vantry::net::SocketControl sConnect;
    AdsAnswer answer_;
    bool unloaded_ = false;
};

// "GET /ads/ HTTP/1.0" with the If-Modified-Since header, control characters
// of the stored date left out.
QByteArray AdsRequest(const QString& lastAdUpdate);

}  // namespace murmel
