#include "ads/frm_ads.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QScreen>

#include "ads/ad_list.h"
#include "startup/utilities.h"
#include "upload/upload_texts.h"

namespace murmel {

namespace {

// A ConnectTo without a port (or with one out of range) means the web's port.
constexpr int kDefaultPort = 80;

}  // namespace

QByteArray AdsRequest(const QString& lastAdUpdate) {
    QByteArray since;
    for (const QChar c : lastAdUpdate) {
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f) {
            since += c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?';
        }
    }
    return "GET /ads/ HTTP/1.0\r\nIf-Modified-Since: " + since + "\r\n\r\n";
}

frmAds::frmAds(AdsHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint), host_(host) {
    setObjectName(QStringLiteral("frmAds"));
    sConnect.setObjectName(QStringLiteral("sConnect"));
    using vantry::net::SocketControl;
    connect(&sConnect, &SocketControl::Connect, this, &frmAds::sConnect_Connect);
    connect(&sConnect, &SocketControl::Receive, this, &frmAds::sConnect_Receive);
    connect(&sConnect, &SocketControl::Close, this, &frmAds::sConnect_Close);
}

frmAds::~frmAds() = default;

void frmAds::Form_Load() {
    // Out of sight beyond the bottom-right corner, should anything show it.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->virtualGeometry();
        move(area.right() + 1, area.bottom() + 1);
    }
}

bool frmAds::GetAds() {
    // Each download starts afresh, also after an error answer that left the
    // window loaded.
    answer_ = AdsAnswer();
    const ServerAddress server = ParseConnectTo(host_.ConnectTo());
    sConnect.setRemotePort(server.port > 0 ? server.port : kDefaultPort);
    SetRemoteAddress(sConnect, server.host);
    sConnect.setLineMode(true);
    // A line the list may hold arrives whole; longer ones come in pieces.
    sConnect.setBufferSize(static_cast<int>(kMaxAdLineBytes) + 2);
    if (sConnect.setAction(vantry::net::kActionConnect)) {
        sConnect.setAction(vantry::net::kActionClose);
        Unload();
    }
    return false;
}

void frmAds::sConnect_Connect() {
    if (host_.LastAdUpdate().isEmpty()) {
        host_.SetLastAdUpdate(FormatMailTime(QDateTime::currentDateTime()) + QLatin1Char(' ') +
                              GetTimeZone());
    }
    sConnect.Send(AdsRequest(host_.LastAdUpdate()));
}

void frmAds::sConnect_Receive(const QByteArray& line) {
    switch (answer_.Receive(line)) {
        case AdsAnswer::Step::Continue:
            break;
        case AdsAnswer::Step::Close:
            sConnect.setAction(vantry::net::kActionClose);
            break;
        case AdsAnswer::Step::CloseAndUnload:
            sConnect.setAction(vantry::net::kActionClose);
            Unload();
            break;
    }
}

void frmAds::sConnect_Close(int errorCode) {
    if (errorCode == 0) {
        const AdsAnswer::Result result = answer_.Finish();
        if (result.complete) {
            host_.m_EndCurrentAds();
            if (result.lastModified) {
                host_.SetLastAdUpdate(*result.lastModified);
            }
            for (const QByteArray& line : result.lines) {
                host_.m_LoadNewAd(line);
            }
            host_.AdsMerged();
        }
    }
    Unload();
}

void frmAds::Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    sConnect.setAction(vantry::net::kActionClose);
    emit unloaded();
    deleteLater();
}

}  // namespace murmel
