#include "tray.h"

#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace corvy {
namespace {

void DrawEnvelope(QPainter& p, const QColor& paper) {
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(paper);
    p.drawRect(1, 4, 13, 9);
    p.drawLine(1, 4, 7, 9);
    p.drawLine(14, 4, 8, 9);
}

class SystemTray : public NotifierTray {
public:
    SystemTray() {
        QObject::connect(&icon_, &QSystemTrayIcon::activated,
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             if (!onClick) {
                                 return;
                             }
                             if (reason == QSystemTrayIcon::Trigger) {
                                 onClick(TrayClick::LeftPress);
                             } else if (reason == QSystemTrayIcon::Context) {
                                 onClick(TrayClick::RightRelease);
                             }
                         });
    }

    bool Available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    void Apply(TrayOp op, TrayImage image, const std::string& tip) override {
        if (op == TrayOp::Delete) {
            icon_.hide();
            return;
        }
        icon_.setIcon(DrawTrayImage(image));
        icon_.setToolTip(QString::fromStdString(tip));
        if (op == TrayOp::Add) {
            icon_.show();
        }
    }

private:
    QSystemTrayIcon icon_;
};

}  // namespace

QIcon DrawTrayImage(TrayImage image) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (image) {
        case TrayImage::Idle:
            DrawEnvelope(p, QColor(235, 235, 225));
            break;
        case TrayImage::Checking:
            DrawEnvelope(p, QColor(255, 236, 140));
            p.setPen(QPen(QColor(30, 90, 200), 2));
            p.drawLine(10, 1, 15, 1);  // an arrow: mail on its way
            p.drawLine(13, 0, 15, 1);
            break;
        case TrayImage::NewMail:
            DrawEnvelope(p, QColor(255, 255, 255));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(220, 30, 30));
            p.drawEllipse(10, 0, 6, 6);
            break;
        case TrayImage::Failure:
            DrawEnvelope(p, QColor(200, 200, 200));
            p.setPen(QPen(QColor(210, 0, 0), 2));
            p.drawLine(9, 0, 15, 6);
            p.drawLine(15, 0, 9, 6);
            break;
        case TrayImage::Dialing:
            DrawEnvelope(p, QColor(235, 235, 225));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(30, 140, 60));
            for (int x : {2, 7, 12}) {
                p.drawEllipse(x, 0, 3, 3);
            }
            break;
    }
    p.end();
    return QIcon(pm);
}

std::unique_ptr<NotifierTray> CreateSystemTray() {
    return std::make_unique<SystemTray>();
}

}  // namespace corvy
