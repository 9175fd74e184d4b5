#pragma once
// The control's own child window: paints through the control, passes mouse
// and focus input to it.

#include <QWidget>

namespace plimova {

class Plimova;

class PlimovaWindow : public QWidget {
public:
    PlimovaWindow(Plimova& control, QWidget* parent);
    ~PlimovaWindow() override;

    // The control is going away first: stop calling it.
    void Detach() { control_ = nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    Plimova* control_;
};

// Button and Shift values of the control's mouse events: 1 left, 2 right,
// 4 middle; 1 Shift, 2 Ctrl, 4 Alt.
int ButtonBits(Qt::MouseButtons buttons);
int ShiftBits(Qt::KeyboardModifiers modifiers);

}  // namespace plimova
