#include "shell/hover_look.h"

#include <QAbstractButton>
#include <QEvent>

namespace murmel {

namespace {

class HoverLook : public QObject {
public:
    explicit HoverLook(QObject* parent) : QObject(parent) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
            if (auto* button = qobject_cast<QAbstractButton*>(watched)) {
                QFont font = button->font();
                font.setBold(event->type() == QEvent::Enter);
                button->setFont(font);
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void InstallHoverLook(const QList<QAbstractButton*>& buttons) {
    for (QAbstractButton* button : buttons) {
        if (button) {
            button->installEventFilter(new HoverLook(button));
        }
    }
}

}  // namespace murmel
