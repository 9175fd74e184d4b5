#include "control/plimova_window.h"

#include <QMouseEvent>
#include <QPainter>
#include <initializer_list>

#include "control/plimova.h"

namespace plimova {

namespace {

// Client coordinates travel as sign-extended 16-bit values.
int Coordinate(qreal v) {
    return static_cast<int16_t>(static_cast<int>(v));
}

// Bit 1, 2, 4, ... for each flag of `order` that is set.
template <typename Flags, typename Flag>
int FlagBits(Flags flags, std::initializer_list<Flag> order) {
    int bits = 0;
    int bit = 1;
    for (const Flag flag : order) {
        if (flags & flag) {
            bits |= bit;
        }
        bit <<= 1;
    }
    return bits;
}

}  // namespace

int ButtonBits(Qt::MouseButtons buttons) {
    return FlagBits(buttons, {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton});
}

int ShiftBits(Qt::KeyboardModifiers modifiers) {
    return FlagBits(modifiers, {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier});
}

PlimovaWindow::PlimovaWindow(Plimova& control, QWidget* parent)
    : QWidget(parent), control_(&control) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel is painted by the control.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PlimovaWindow::~PlimovaWindow() {
    if (control_ != nullptr) {
        control_->OnWindowDestroyed();
    }
}

void PlimovaWindow::paintEvent(QPaintEvent*) {
    if (control_ == nullptr) {
        return;
    }
    QPainter painter(this);
    control_->Draw(painter, rect());
}

void PlimovaWindow::mousePressEvent(QMouseEvent* e) {
    if (control_ != nullptr) {
        control_->OnMousePress(ButtonBits(e->button()), ButtonBits(e->buttons()),
                               ShiftBits(e->modifiers()), Coordinate(e->position().x()),
                               Coordinate(e->position().y()));
    }
}

void PlimovaWindow::mouseDoubleClickEvent(QMouseEvent* e) {
    if (control_ != nullptr) {
        control_->OnMouseDoubleClick(ButtonBits(e->button()));
    }
}

void PlimovaWindow::mouseMoveEvent(QMouseEvent* e) {
    if (control_ != nullptr) {
        control_->OnMouseMove(ButtonBits(e->buttons()), ShiftBits(e->modifiers()),
                              Coordinate(e->position().x()), Coordinate(e->position().y()));
    }
}

void PlimovaWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (control_ != nullptr) {
        control_->OnMouseRelease(ButtonBits(e->buttons()), ShiftBits(e->modifiers()),
                                 Coordinate(e->position().x()), Coordinate(e->position().y()));
    }
}

void PlimovaWindow::focusInEvent(QFocusEvent*) {
    if (control_ != nullptr) {
        control_->OnFocus(true);
    }
}

void PlimovaWindow::focusOutEvent(QFocusEvent*) {
    if (control_ != nullptr) {
        control_->OnFocus(false);
    }
}

}  // namespace plimova
