#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "shell/hover_look.h"
#include "shell/session.h"
#include "shell/window_shape.h"

namespace murmel {
namespace {

TEST(Outline, CutCornersOfA400By300Window) {
    const QPolygon p = OutlinePoints(400, 300);
    ASSERT_EQ(p.size(), 17);
    EXPECT_EQ(p.first(), p.last());  // closed at (25, 1)
    EXPECT_EQ(p[1], QPoint(398, 1));
    EXPECT_EQ(p[2], QPoint(398, 275));
    EXPECT_EQ(p[8], QPoint(375, 298));
    EXPECT_EQ(p[9], QPoint(3, 298));
    EXPECT_EQ(p[13], QPoint(10, 11));
}

TEST(Outline, MaskFollowsTheWindowSize) {
    QWidget w;
    w.resize(400, 300);
    const QRegion region = ShapeWindow(&w);
    EXPECT_EQ(w.mask(), region);
    EXPECT_TRUE(region.contains(QPoint(200, 150)));
    EXPECT_TRUE(region.contains(QPoint(396, 3)));     // top-right stays square
    EXPECT_TRUE(region.contains(QPoint(5, 296)));     // bottom-left stays square
    EXPECT_FALSE(region.contains(QPoint(2, 2)));      // top-left is cut
    EXPECT_FALSE(region.contains(QPoint(396, 296)));  // bottom-right is cut
    EXPECT_FALSE(region.contains(QPoint(399, 150)));  // outside W

    w.resize(200, 100);
    const QRegion smaller = ShapeWindow(&w);
    EXPECT_FALSE(smaller.contains(QPoint(300, 50)));
    EXPECT_TRUE(smaller.contains(QPoint(100, 50)));
}

TEST(Outline, WaylandPaintsOnlyInsideTheOutline) {
    QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w.resize(400, 300);
    QPalette pal = w.palette();
    pal.setColor(QPalette::Window, QColor(10, 200, 30));
    w.setPalette(pal);
    const QRegion region = ShapeWindow(&w, QStringLiteral("wayland"));
    EXPECT_EQ(w.mask(), region);  // the input region follows the mask
    EXPECT_TRUE(w.testAttribute(Qt::WA_TranslucentBackground));
    ShapeWindow(&w, QStringLiteral("wayland"));  // reshaping adds no second painter
    EXPECT_EQ(w.findChildren<QObject*>(QStringLiteral("outlineBackground")).size(), 1);

    const QImage image = w.grab().toImage();
    EXPECT_EQ(qAlpha(image.pixel(2, 2)), 0);      // cut corner stays clear
    EXPECT_EQ(qAlpha(image.pixel(396, 296)), 0);  // cut corner stays clear
    EXPECT_EQ(QColor(image.pixel(200, 150)), QColor(10, 200, 30));

    QWidget x11(nullptr, Qt::Window | Qt::FramelessWindowHint);
    x11.resize(400, 300);
    ShapeWindow(&x11, QStringLiteral("xcb"));
    EXPECT_FALSE(x11.testAttribute(Qt::WA_TranslucentBackground));
}

TEST(Outline, ToolbarTakesTheHighlightColours) {
    QLabel label;
    ColorToolbar(&label);
    const QPalette system = QApplication::palette();
    EXPECT_TRUE(label.autoFillBackground());
    EXPECT_EQ(label.palette().color(QPalette::Window),
              system.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(label.palette().color(QPalette::WindowText),
              system.color(QPalette::Active, QPalette::HighlightedText));
}

TEST(Drag, OutlineFollowsTheMouseAndIsPulledIn) {
    const QRect window(100, 50, 400, 300);  // left 100, top 50, right 499, bottom 349
    const QRect main = DragOutline(window, QPoint(10, -20), true, 0);
    EXPECT_EQ(main.left(), 115);
    EXPECT_EQ(main.right(), 504);
    EXPECT_EQ(main.bottom(), 324);
    EXPECT_EQ(main.top(), 26);  // caption 0, less 4

    const QRect withCaption = DragOutline(window, QPoint(0, 0), true, 30);
    EXPECT_EQ(withCaption.top(), 76);

    const QRect other = DragOutline(window, QPoint(-5, 5), false, 30);
    EXPECT_EQ(other.left(), 98);
    EXPECT_EQ(other.right(), 491);
    EXPECT_EQ(other.bottom(), 351);
    EXPECT_EQ(other.top(), 55);
}

TEST(Drag, ReleaseMovesTheWindowByTheTravel) {
    QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w.setGeometry(100, 100, 200, 150);
    w.show();
    const QPoint start = w.pos();
    ToolbarDrag drag;
    BeginToolbarDrag(&w, drag, QPoint(150, 110), QStringLiteral("xcb"));
    EXPECT_FALSE(drag.systemMove);
    TrackToolbarDrag(&w, drag, QPoint(170, 140), true);
    EXPECT_EQ(drag.lastOutline.left(), w.frameGeometry().left() + 20 + 5);
    EndToolbarDrag(&w, drag, QPoint(190, 90));
    EXPECT_FALSE(drag.active);
    EXPECT_EQ(w.pos(), start + QPoint(40, -20));
    // A move without a press does nothing.
    TrackToolbarDrag(&w, drag, QPoint(0, 0), true);
    EndToolbarDrag(&w, drag, QPoint(0, 0));
    EXPECT_EQ(w.pos(), start + QPoint(40, -20));
}

TEST(Drag, WaylandHandsTheMoveToTheCompositor) {
    QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w.setGeometry(100, 100, 200, 150);
    w.show();
    const QPoint start = w.pos();
    ToolbarDrag drag;
    BeginToolbarDrag(&w, drag, QPoint(150, 110), QStringLiteral("wayland-egl"));
    EXPECT_TRUE(drag.systemMove);
    EXPECT_FALSE(drag.active);
    EXPECT_FALSE(drag.band);  // no outline: the compositor draws the move
    TrackToolbarDrag(&w, drag, QPoint(170, 140), true);
    EndToolbarDrag(&w, drag, QPoint(190, 90));
    EXPECT_EQ(w.pos(), start);
}

// Runs for real only under a Wayland compositor (see run_under_weston.sh).
TEST(WaylandSession, ShapedWindowOnARealCompositor) {
    if (!vantry::shell::IsWaylandPlatform(QGuiApplication::platformName())) {
        GTEST_SKIP() << "not a Wayland session";
    }
    QWidget w(nullptr, Qt::Window | Qt::FramelessWindowHint);
    w.resize(400, 300);
    const QRegion region = ShapeWindow(&w);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(w.windowHandle()->requestedFormat().hasAlpha());  // not opaque to the compositor
    EXPECT_EQ(w.windowHandle()->mask(), region);                  // becomes the input region
    const QImage image = w.grab().toImage();
    EXPECT_EQ(qAlpha(image.pixel(2, 2)), 0);
    EXPECT_EQ(qAlpha(image.pixel(200, 150)), 255);

    ToolbarDrag drag;
    BeginToolbarDrag(&w, drag, QPoint(150, 10), QGuiApplication::platformName());
    EXPECT_TRUE(drag.systemMove);
    EXPECT_FALSE(drag.band);
}

TEST(Hover, BoldOnlyWhileThePointerIsOver) {
    QPushButton a("a");
    QPushButton b("b");
    InstallHoverLook({&a, &b});
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(&a, &enter);
    EXPECT_TRUE(a.font().bold());
    EXPECT_FALSE(b.font().bold());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&a, &leave);
    EXPECT_FALSE(a.font().bold());
}

}  // namespace
}  // namespace murmel
