#pragma once
// The look shared by the program's windows: the cut-corner outline of the
// main window, the coloured toolbar label that acts as a title bar, and
// dragging a window by that label with an outline drawn while the mouse moves.
// On Wayland a client cannot place itself, so the compositor moves the window
// instead, and a mask only limits input, so the window is also made translucent.

#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QRegion>
#include <QString>

#include <memory>

class QLabel;
class QRubberBand;
class QWidget;

namespace murmel {

// The 17 outline points for a window of widthPx x heightPx pixels: the
// top-left and bottom-right corners are cut diagonally.
QPolygon OutlinePoints(int widthPx, int heightPx);

// Builds the outline for the window's current size, applies it as the
// window's mask and returns it. On a Wayland platform the window also becomes
// translucent with only the inside of the outline painted (call it before the
// window is first shown). The first form asks the running application.
QRegion ShapeWindow(QWidget* form);
QRegion ShapeWindow(QWidget* form, const QString& platformName);

// Toolbar label in the desktop's highlight colours (background and text).
void ColorToolbar(QLabel* toolbar);

// One drag in progress, kept per window.
struct ToolbarDrag {
    bool active = false;
    bool systemMove = false;            // the last press handed the move to the compositor
    QPoint pressGlobal;                 // mouse position at the press, screen pixels
    QRect windowAtPress;                // window frame at the press, screen pixels
    QRect lastOutline;                  // outline last drawn
    std::unique_ptr<QRubberBand> band;  // the outline on screen

    ToolbarDrag();
    ~ToolbarDrag();
};

// The outline shown while dragging: the window rectangle moved by the mouse's
// travel, then pulled in at the edges. The main window's top edge moves by the
// height of its caption less 4 pixels; other windows keep their top edge.
QRect DragOutline(const QRect& windowAtPress, const QPoint& travel, bool mainWindow,
                  int captionHeight);

// On a Wayland platform asks the compositor to move the window and draws no
// outline; the other two steps then do nothing.
void BeginToolbarDrag(QWidget* form, ToolbarDrag& drag, const QPoint& globalPos,
                      const QString& platformName);
void TrackToolbarDrag(QWidget* form, ToolbarDrag& drag, const QPoint& globalPos, bool mainWindow);
// Moves the window (left and top only) by the mouse's travel since the press.
void EndToolbarDrag(QWidget* form, ToolbarDrag& drag, const QPoint& globalPos);

// Drags `form` by `toolbar` with the left button: an event filter that calls
// the three steps above. Owned by the toolbar label.
void EnableToolbarDragging(QWidget* form, QLabel* toolbar, bool mainWindow);

}  // namespace murmel
