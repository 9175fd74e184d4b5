#include <gtest/gtest.h>

#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "automation/dispatch.h"
#include "control/plimova.h"
#include "shell/gif_place.h"

namespace murmel {
namespace {

namespace va = vantry::automation;

const QString kLogo = QStringLiteral(MURMEL_RESOURCES_DIR "/logo.gif");

int16_t Get(GifPlace& place, const char* name) {
    return va::GetProperty(*place.dispatch(), name).ToInt16();
}

TEST(GifPlace, WithoutAControlEveryCallIsQuiet) {
    QLabel label;
    GifPlace place(&label);
    EXPECT_FALSE(place.HasControl());
    EXPECT_FALSE(place.Host(nullptr));
    EXPECT_FALSE(place.ReadGIF(kLogo));
    place.Play();
    place.Stop();
    place.SetFrame(1);
    place.SetTag("https://example.org/");
    EXPECT_EQ(place.Tag(), "https://example.org/");
}

TEST(GifPlace, DrivesAHostedControlByName) {
    QLabel label;
    label.resize(64, 48);
    GifPlace place(&label);
    ASSERT_TRUE(place.Host(std::make_shared<plimova::Plimova>()));
    ASSERT_TRUE(place.HasControl());

    EXPECT_TRUE(place.ReadGIF(kLogo));
    EXPECT_EQ(Get(place, "Frames"), 4);
    place.Play();
    EXPECT_TRUE(va::GetProperty(*place.dispatch(), "Playing").ToBool());
    place.Stop();
    EXPECT_FALSE(va::GetProperty(*place.dispatch(), "Playing").ToBool());
    place.SetFrame(1);  // the still picture shows the second frame
    EXPECT_EQ(Get(place, "Frame"), 1);

    EXPECT_FALSE(place.ReadGIF(QStringLiteral(MURMEL_RESOURCES_DIR "/no-such.gif")));
    EXPECT_FALSE(place.ReadGIF(QStringLiteral(MURMEL_RESOURCES_DIR "/make_logo.sh")));
}

TEST(GifPlace, ClicksOnTheControlAreThePlacesClicks) {
    QLabel label;
    label.resize(64, 48);
    label.show();
    GifPlace place(&label);
    ASSERT_TRUE(place.Host(std::make_shared<plimova::Plimova>()));
    QSignalSpy clicks(&place, &GifPlace::Click);
    QWidget* target = label.findChild<va::ControlHost*>()->ControlWindow();
    ASSERT_NE(target, nullptr);
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 1);
    QTest::mouseClick(target, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(GifPlace, CreatesTheControlRegisteringItsLibraryOnce) {
    // The test's registry starts empty: the library beside the build is registered.
    va::ObjectPtr first = CreateGifControl(QStringLiteral(MURMEL_CONTROL_LIBDIR));
    ASSERT_NE(first, nullptr);
    EXPECT_NE(va::QueryInterface<va::IDispatchable>(first), nullptr);
    // Registered now: found by its name alone.
    EXPECT_NE(CreateGifControl(QStringLiteral("/nonexistent")), nullptr);
}

}  // namespace
}  // namespace murmel
