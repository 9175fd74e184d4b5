// The control in offscreen mode: members, timer rule and steps, sequences,
// frame writes, painting, stretch and window region, events, browsing.

#include "control/plimova.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTest>
#include <QWidget>
#include <cstdint>
#include <utility>

#include "automation/picture.h"
#include "control/plimova_ids.h"
#include "control/tests/fake_site.h"
#include "engine/tests/gif_builder.h"
#include "test_env.h"

namespace plimova {
namespace {

using namespace vantry::automation;
using test::Bytes;
using test::FakeSite;
using test::GifBuilder;
using test::ImageSpec;
using test::RecordingSink;
using test::Solid;

std::u16string Widen(const GifBuilder& b) {
    return std::u16string(b.Data().begin(), b.Data().end());
}

// Four 4x4 frames with delays 5, 0, 7, 20 hundredths.
GifBuilder FourFrames() {
    GifBuilder b(4, 4);
    const int delays[4] = {5, 0, 7, 20};
    for (int i = 0; i < 4; ++i) {
        b.Control(1, delays[i]).Image(Solid(0, 0, 4, 4, static_cast<std::uint8_t>(i)));
    }
    b.Trailer();
    return b;
}

GifBuilder OneFrame() {
    GifBuilder b(4, 4);
    b.Image(Solid(0, 0, 4, 4, 1)).Trailer();
    return b;
}

GifBuilder Frames(int n) {
    GifBuilder b(2, 2);
    for (int i = 0; i < n; ++i) {
        b.Control(0, 3).Image(Solid(0, 0, 2, 2, static_cast<std::uint8_t>(i % 4)));
    }
    b.Trailer();
    return b;
}

// A control with a site, a sink and a shown window, as a running host has.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        control = std::make_shared<Plimova>();
        control->SetClientSite(&site);
        control->Advise(sink);
        control->aboutPresenter = [this](QWidget*, const QString& t, const QString& x) {
            about.push_back(t + "|" + x);
        };
    }
    void TearDown() override {
        control.reset();
        delete host;
    }
    QWidget* ShowWindow(int w = 100, int h = 100) {
        host = new QWidget;
        host->resize(400, 400);
        QWidget* win = control->InPlaceActivate(host);
        win->resize(w, h);
        host->show();
        return win;
    }
    // Draws the control as its container would, into an image of w x h.
    QImage Paint(int w, int h) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::magenta);
        QPainter p(&img);
        control->Draw(p, QRect(0, 0, w, h));
        return img;
    }
    std::vector<int> Steps(int count) {
        std::vector<int> frames;
        for (int i = 0; i < count; ++i) {
            control->TimerStep();
            frames.push_back(control->Frame());
        }
        return frames;
    }

    FakeSite site;
    std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
    std::shared_ptr<Plimova> control;
    QWidget* host = nullptr;
    std::vector<QString> about;
};

// ---- defaults and simple members ---------------------------------------------

TEST_F(ControlTest, StartsWithTheDefaults) {
    EXPECT_TRUE(control->Playing());
    EXPECT_TRUE(control->Transparent());
    EXPECT_FALSE(control->AutoSize());
    EXPECT_EQ(control->BackColor().value, 12632256u);
    EXPECT_EQ(control->Stretch(), 0);
    EXPECT_EQ(control->Speed(), 1);
    EXPECT_EQ(control->Sequence(), 0);
    EXPECT_EQ(control->SequenceString(), u"");
    EXPECT_EQ(control->Frame(), 0);
    EXPECT_EQ(control->Frames(), 0);
    EXPECT_EQ(control->GIF(), u"");
    EXPECT_EQ(control->GIFWidth(), 0);
    EXPECT_FALSE(control->IsDirty());
    EXPECT_EQ(control->HWnd(), 0);
}

TEST_F(ControlTest, PropertyWritesMarkDirtyAndNotifyTheirIdentifier) {
    control->SetTransparent(false);
    control->SetSpeed(2);
    control->SetStretch(1);
    control->SetAutoSize(true);
    control->SetBackColor(OleColor{0x0000FF});
    EXPECT_TRUE(control->IsDirty());
    EXPECT_EQ(site.changed, (std::vector<DispId>{4, 9, 14, 19, 5}));
    site.changed.clear();
    control->SetSequence(2);  // then Frame = 0
    EXPECT_EQ(site.changed, (std::vector<DispId>{21, 1}));
    site.changed.clear();
    control->SetSequenceString(u"1,2");  // sequence is not 3: no frame write
    EXPECT_EQ(site.changed, (std::vector<DispId>{20}));
}

TEST_F(ControlTest, BadFrameIndicesGiveZeroOrNothing) {
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    for (int16_t i : {int16_t{-1}, int16_t{4}, int16_t{32767}}) {
        EXPECT_EQ(control->FrameWidth(i), 0);
        EXPECT_EQ(control->FrameHeight(i), 0);
        EXPECT_EQ(control->FrameLeft(i), 0);
        EXPECT_EQ(control->FrameTop(i), 0);
        EXPECT_EQ(control->GetFrame(i), nullptr);
    }
    EXPECT_EQ(control->FrameWidth(3), 4);
}

// ---- GIF, ReadGIF ------------------------------------------------------------

TEST_F(ControlTest, GifWriteAsksTheContainerFirst) {
    site.allowEdit = false;
    std::vector<Variant> args{Variant(Widen(FourFrames()))};
    const Variant result = control->Invoke(ids::kGIF, InvokeKind::PropertyPut, args);
    EXPECT_EQ(result, Variant(false)) << "the refusal is reported to the caller";
    EXPECT_EQ(site.requested, std::vector<DispId>{6});
    EXPECT_EQ(control->Frames(), 0);
    EXPECT_TRUE(site.changed.empty());

    site.allowEdit = true;
    args = {Variant(Widen(FourFrames()))};
    control->Invoke(ids::kGIF, InvokeKind::PropertyPut, args);
    EXPECT_EQ(control->Frames(), 4);
    EXPECT_EQ(control->GIF(), Widen(FourFrames()));
    EXPECT_EQ(site.changed, (std::vector<DispId>{6, 1}));
}

TEST_F(ControlTest, InvalidGifBytesLeaveTheControlEmptyWithoutError) {
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    EXPECT_TRUE(control->SetGIF(u"GIF89a-not-really"));
    EXPECT_EQ(control->Frames(), 0);
    EXPECT_EQ(control->GIF(), u"");
    EXPECT_EQ(control->GIFWidth(), 0);
}

TEST_F(ControlTest, ReadGifLoadsFilesQuietlyAndFailsOnAnythingElse) {
    ShowWindow();
    const auto dir = vantry::test::FreshDir("read");
    const GifBuilder gif = FourFrames();
    vantry::test::WriteFile(dir / "a.gif", std::string(gif.Data().begin(), gif.Data().end()));
    EXPECT_TRUE(control->ReadGIF(Variant::FromUtf8((dir / "a.gif").string()).ToString()));
    EXPECT_EQ(control->Frames(), 4);
    EXPECT_FALSE(control->IsDirty());
    EXPECT_TRUE(site.changed.empty());
    EXPECT_TRUE(site.requested.empty());
    EXPECT_TRUE(control->Composer().Exists());

    EXPECT_FALSE(control->ReadGIF(u"http://example.com/a.gif"));
    EXPECT_EQ(control->Frames(), 0);
    EXPECT_FALSE(control->Playing());
    EXPECT_FALSE(control->Composer().Exists());
    const QImage img = Paint(10, 10);
    EXPECT_EQ(control->WindowRegion(), std::optional<QRegion>(QRegion())) << "invisible";
}

// ---- timer rule --------------------------------------------------------------

TEST_F(ControlTest, TimerIntervalIsSpeedTimesDelayTimesTen) {
    ShowWindow();
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    control->SetSpeed(3);
    control->Play();
    ASSERT_TRUE(control->IsTimerArmed());
    EXPECT_EQ(control->TimerInterval(), 150);
    control->SetFrame(1);  // stored delay 0 counts as 10
    control->Play();
    EXPECT_EQ(control->TimerInterval(), 300);
    control->SetSpeed(0);
    control->Play();
    EXPECT_TRUE(control->IsTimerArmed());
    EXPECT_EQ(control->TimerInterval(), 0);
}

TEST_F(ControlTest, ExtremeSpeedsAndDelaysKeepTheIntervalInRange) {
    ShowWindow();
    GifBuilder b(2, 2);
    b.Control(0, 65535).Image(Solid(0, 0, 2, 2, 1)).Control(0, 1).Image(Solid(0, 0, 2, 2, 2));
    ASSERT_TRUE(control->SetGIF(Widen(b.Trailer())));
    control->SetSpeed(32767);
    control->Play();
    EXPECT_EQ(control->TimerInterval(), INT32_MAX);
    control->SetSpeed(-3);
    control->Play();
    EXPECT_TRUE(control->IsTimerArmed());
    EXPECT_EQ(control->TimerInterval(), 0);
}

TEST_F(ControlTest, PaintRearmsTheTimerWithTheCurrentFrameDelay) {
    ShowWindow();
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    control->SetFrame(3);
    Paint(4, 4);
    ASSERT_TRUE(control->IsTimerArmed());
    EXPECT_EQ(control->TimerInterval(), 200);
}

TEST_F(ControlTest, OneFrameGifNeverArmsTheTimer) {
    ShowWindow();
    ASSERT_TRUE(control->SetGIF(Widen(OneFrame())));
    control->Play();
    Paint(4, 4);
    EXPECT_FALSE(control->IsTimerArmed());
    control->TimerStep();
    EXPECT_EQ(control->Frame(), 0);
    EXPECT_EQ(sink->Count(ids::kStep), 0);
}

TEST_F(ControlTest, DesignModeNeverArmsTheTimer) {
    ShowWindow();
    site.userMode = false;
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    control->Play();
    Paint(4, 4);
    EXPECT_FALSE(control->IsTimerArmed());
    site.userMode = true;
    control->Play();
    EXPECT_TRUE(control->IsTimerArmed());
    site.userMode = false;
    control->SetPlaying(false);  // killed even in design mode
    EXPECT_FALSE(control->IsTimerArmed());
}

TEST_F(ControlTest, StopLetsThePendingTickEndTheAnimation) {
    ShowWindow();
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    control->Play();
    ASSERT_TRUE(control->IsTimerArmed());
    control->Stop();
    EXPECT_FALSE(control->Playing());
    EXPECT_TRUE(control->IsTimerArmed()) << "Stop changes nothing else";
    control->TimerStep();
    EXPECT_EQ(control->Frame(), 0);
    EXPECT_FALSE(control->IsTimerArmed());
    EXPECT_EQ(sink->Count(ids::kStep), 0);
    Paint(4, 4);
    EXPECT_FALSE(control->IsTimerArmed());
}

TEST_F(ControlTest, AnimationRunsOnTheEventLoop) {
    QWidget* win = ShowWindow(4, 4);
    ASSERT_TRUE(control->SetGIF(Widen(Frames(3))));
    control->SetSpeed(0);
    control->Play();
    // Each step asks for a repaint; the paint re-arms the timer.
    EXPECT_TRUE(QTest::qWaitFor([&] { return sink->Count(ids::kStep) >= 4; }))
        << sink->Count(ids::kStep) << " steps";
    (void)win;
}

TEST_F(ControlTest, HiddenTransparentWindowComesBackWithoutAPaint) {
    QWidget* win = ShowWindow(4, 4);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host));
    // No GIF yet: masked away entirely, so Qt sends the window no paints.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !win->mask().intersects(win->rect()); }));
    ASSERT_TRUE(control->SetGIF(Widen(Frames(3))));
    EXPECT_TRUE(QTest::qWaitFor([&] { return win->mask() == QRegion(0, 0, 2, 2); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return sink->Count(ids::kStep) >= 2; }))
        << "the animation runs";

    EXPECT_FALSE(control->ReadGIF(u"/no/such/file.gif"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !win->mask().intersects(win->rect()); }));
    control->SetTransparent(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return win->mask().isEmpty(); })) << "shown again";
}

// ---- timer steps and sequences -------------------------------------------------

TEST_F(ControlTest, NormalAndReverseSequencesWrap) {
    ShowWindow();
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    EXPECT_EQ(Steps(5), (std::vector<int>{1, 2, 3, 0, 1}));
    control->SetSequence(1);
    EXPECT_EQ(control->Frame(), 0);
    EXPECT_EQ(Steps(5), (std::vector<int>{3, 2, 1, 0, 3}));
    control->SetSequence(9);  // unknown values play forward
    EXPECT_EQ(Steps(2), (std::vector<int>{1, 2}));
    EXPECT_EQ(sink->Count(ids::kStep), 12);
}

TEST_F(ControlTest, PingPongTurnsAtBothEnds) {
    ShowWindow();
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    control->SetSequence(2);
    EXPECT_EQ(Steps(8), (std::vector<int>{1, 2, 3, 2, 1, 0, 1, 2}));
    ASSERT_TRUE(control->SetGIF(Widen(Frames(2))));
    EXPECT_EQ(Steps(5), (std::vector<int>{1, 0, 1, 0, 1}));
}

TEST_F(ControlTest, FrameWriteResetsPingPongDirection) {
    ShowWindow();
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    control->SetSequence(2);
    Steps(4);  // 1 2 3 2: now going down
    control->SetFrame(1);
    EXPECT_EQ(Steps(2), (std::vector<int>{2, 3}));
}

TEST_F(ControlTest, UserDefinedSequenceFollowsItsList) {
    ShowWindow();
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    control->SetSequenceString(u"2,,0,7");
    control->SetSequence(3);
    EXPECT_EQ(control->Frame(), 2);
    EXPECT_EQ(Steps(5), (std::vector<int>{0, 3, 2, 0, 3}));
    control->SetSequenceString(u"");
    EXPECT_EQ(control->Frame(), 0);
    EXPECT_EQ(Steps(3), (std::vector<int>{0, 0, 0}));
    control->SetSequenceString(u"-4,1");
    EXPECT_EQ(control->Frame(), 0) << "entries are limited to the frames";
    EXPECT_EQ(Steps(2), (std::vector<int>{1, 0}));
}

TEST_F(ControlTest, StepWithoutWindowStillAdvancesAndFires) {
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    EXPECT_FALSE(control->Composer().Exists());
    EXPECT_EQ(Steps(2), (std::vector<int>{1, 2}));
    EXPECT_EQ(sink->Count(ids::kStep), 2);
}

// ---- setting the frame -------------------------------------------------------

TEST_F(ControlTest, FrameWritesAreLimitedToTheFrames) {
    ShowWindow();
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    site.changed.clear();
    control->SetFrame(10);
    EXPECT_EQ(control->Frame(), 3);
    EXPECT_EQ(control->Composer().Previous(), 3);
    control->SetFrame(-5);
    EXPECT_EQ(control->Frame(), 0);
    EXPECT_EQ(site.changed, (std::vector<DispId>{1, 1}));
    EXPECT_EQ(sink->Count(ids::kStep), 0);

    control->SetSequenceString(u"3,1,2");
    control->SetSequence(3);
    control->SetFrame(10);  // a position: out of range selects position 0
    EXPECT_EQ(control->SequencePosition(), 0);
    EXPECT_EQ(control->Frame(), 3);
    control->SetFrame(2);
    EXPECT_EQ(control->SequencePosition(), 2);
    EXPECT_EQ(control->Frame(), 2);

    ASSERT_TRUE(control->SetGIF(u""));
    control->SetSequence(0);
    control->SetFrame(5);
    EXPECT_EQ(control->Frame(), 0);
}

// ---- painting ----------------------------------------------------------------

TEST_F(ControlTest, TransparentWithoutGifHidesTheWindowOpaqueShowsBackColor) {
    QWidget* win = ShowWindow(20, 10);
    Paint(20, 10);
    ASSERT_TRUE(control->WindowRegion().has_value());
    EXPECT_TRUE(control->WindowRegion()->isEmpty());
    EXPECT_FALSE(win->mask().isEmpty()) << "the window is masked away entirely";
    EXPECT_FALSE(win->mask().intersects(win->rect()));

    control->SetTransparent(false);
    control->SetBackColor(OleColor{0x00336699});  // blue 0x33, green 0x66, red 0x99
    const QImage img = Paint(20, 10);
    EXPECT_FALSE(control->WindowRegion().has_value());
    EXPECT_TRUE(win->mask().isEmpty());
    EXPECT_EQ(img.pixel(19, 9), qRgb(0x99, 0x66, 0x33));
}

TEST_F(ControlTest, SystemBackColorsPaintInThePaletteColours) {
    ShowWindow(4, 4);
    control->SetTransparent(false);
    const QPalette palette = QGuiApplication::palette();
    // The known indices, then one the control does not know: the window colour.
    const std::pair<uint32_t, QPalette::ColorRole> cases[] = {
        {0x80000005, QPalette::Base},       {0x80000008, QPalette::Text},
        {0x8000000D, QPalette::Highlight},  {0x8000000E, QPalette::HighlightedText},
        {0x8000000F, QPalette::Button},     {0x80000010, QPalette::Dark},
        {0x80000012, QPalette::ButtonText}, {0x80000014, QPalette::Light},
        {0x80000001, QPalette::Window}};
    for (const auto& [value, role] : cases) {
        control->SetBackColor(OleColor{value});
        EXPECT_EQ(Paint(4, 4).pixel(3, 3), palette.color(role).rgb()) << std::hex << value;
    }
}

// A 100 x 100 GIF whose left half is transparent.
GifBuilder HalfTransparent() {
    GifBuilder b(100, 100);
    ImageSpec s = Solid(0, 0, 100, 100, 1);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 50; ++x) {
            s.indices[static_cast<std::size_t>(y * 100 + x)] = 0;
        }
    }
    b.Control(0, 0, 0).Image(s).Trailer();
    return b;
}

TEST_F(ControlTest, ProportionalStretchScalesPictureAndRegionFromTheTopLeft) {
    ShowWindow(200, 50);
    ASSERT_TRUE(control->SetGIF(Widen(HalfTransparent())));
    control->SetStretch(2);
    const QImage img = Paint(200, 50);
    // 50 x 50 at the top-left; the right half of it is palette entry 1.
    const QRgb entry1 = qRgb(7, 13, 254);
    const QRgb back = qRgb(192, 192, 192);
    EXPECT_EQ(img.pixel(40, 10), entry1);
    EXPECT_EQ(img.pixel(49, 49), entry1);
    EXPECT_EQ(img.pixel(10, 10), back) << "transparent pixels show the background";
    EXPECT_EQ(img.pixel(60, 10), back);
    EXPECT_EQ(img.pixel(150, 40), back);
    ASSERT_TRUE(control->WindowRegion().has_value());
    EXPECT_EQ(*control->WindowRegion(), QRegion(25, 0, 25, 50));
}

TEST_F(ControlTest, StretchModesScaleTheRegion) {
    ShowWindow(200, 50);
    ASSERT_TRUE(control->SetGIF(Widen(HalfTransparent())));
    Paint(200, 50);
    EXPECT_EQ(*control->WindowRegion(), QRegion(50, 0, 50, 100)) << "no stretch";
    control->SetStretch(1);
    Paint(200, 50);
    EXPECT_EQ(*control->WindowRegion(), QRegion(100, 0, 100, 50));
    control->SetStretch(7);  // other values do not stretch
    Paint(200, 50);
    EXPECT_EQ(*control->WindowRegion(), QRegion(50, 0, 50, 100));
    control->SetTransparent(false);
    Paint(200, 50);
    EXPECT_FALSE(control->WindowRegion().has_value());
}

TEST_F(ControlTest, StretchFillsTheControlToItsLastPixel) {
    ShowWindow();
    GifBuilder b(49, 7);
    b.Image(Solid(0, 0, 49, 7, 1)).Trailer();
    ASSERT_TRUE(control->SetGIF(Widen(b)));
    control->SetStretch(1);
    for (int w = 1; w <= 120; ++w) {
        const QImage img = Paint(w, w);
        ASSERT_EQ(img.pixel(w - 1, w - 1), qRgb(7, 13, 254)) << w;
        ASSERT_EQ(*control->WindowRegion(), QRegion(0, 0, w, w)) << w;
    }
}

TEST_F(ControlTest, RegionFromRunsEqualsTheUnionOfTheScaledRuns) {
    ShowWindow();
    // Checkerboard cells of 1 to 3 pixels with opaque rows repeating, so
    // runs touch, rows repeat and scaling merges or drops them.
    GifBuilder b(23, 17);
    ImageSpec s = Solid(0, 0, 23, 17, 1);
    for (int y = 0; y < 17; ++y) {
        for (int x = 0; x < 23; ++x) {
            const bool hole = y % 5 != 4 && ((x / (1 + y % 3)) + y / 2) % 2 == 0;
            s.indices[static_cast<std::size_t>(y * 23 + x)] = hole ? 0 : 1;
        }
    }
    ASSERT_TRUE(control->SetGIF(Widen(b.Control(0, 0, 0).Image(s).Trailer())));
    for (int stretch : {0, 1, 2}) {
        control->SetStretch(static_cast<int16_t>(stretch));
        for (const QSize size : {QSize(23, 17), QSize(7, 40), QSize(61, 13), QSize(100, 100)}) {
            Paint(size.width(), size.height());
            const double fx = stretch == 0   ? 1.0
                              : stretch == 1 ? size.width() / 23.0
                                             : std::min(size.width() / 23.0, size.height() / 17.0);
            const double fy = stretch == 0   ? 1.0
                              : stretch == 1 ? size.height() / 17.0
                                             : std::min(size.width() / 23.0, size.height() / 17.0);
            QRegion expected;
            for (const plimova::Rect& r : control->Composer().OpaqueRegion().rects) {
                const int l = static_cast<int>(r.left * fx + 1e-9);
                const int t = static_cast<int>(r.top * fy + 1e-9);
                const int rr = static_cast<int>(r.right * fx + 1e-9);
                const int bb = static_cast<int>(r.bottom * fy + 1e-9);
                expected = expected.united(QRect(l, t, rr - l, bb - t));
            }
            ASSERT_TRUE(control->WindowRegion().has_value());
            EXPECT_TRUE(control->WindowRegion()->xored(expected).isEmpty())
                << stretch << " " << size.width();
        }
    }
}

TEST_F(ControlTest, DegenerateSizesPaintWithoutHarm) {
    ShowWindow();
    GifBuilder b(0, 0);  // a logical screen of no size, frames beyond it
    b.Image(Solid(0, 0, 2, 2, 1)).Image(Solid(1, 1, 0, 3, 1)).Trailer();
    ASSERT_TRUE(control->SetGIF(Widen(b)));
    ASSERT_EQ(control->Frames(), 2);
    for (int stretch : {0, 1, 2}) {
        control->SetStretch(static_cast<int16_t>(stretch));
        Paint(0, 0);
        Paint(1, 7);
        EXPECT_EQ(control->WindowRegion(), std::optional<QRegion>(QRegion()));
    }
    control->TimerStep();
    EXPECT_EQ(control->Frame(), 1);
    const auto empty = QueryInterface<IPicture>(control->GetFrame(1));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->PictureType(), IPicture::kNone) << "a frame of no pixels";
}

TEST_F(ControlTest, FramesWithoutComposerAreDrawnDirectly) {
    // No window: the container draws the control into its own surface.
    ASSERT_TRUE(control->SetGIF(Widen(OneFrame())));
    control->SetTransparent(false);
    const QImage img = Paint(8, 8);
    EXPECT_EQ(img.pixel(3, 3), qRgb(7, 13, 254));
    EXPECT_EQ(img.pixel(6, 6), qRgb(192, 192, 192));
}

TEST_F(ControlTest, BackColorWriteRecomposesFromFrameZero) {
    ShowWindow();
    GifBuilder b(4, 1);
    b.Image(Solid(0, 0, 1, 1, 1)).Image(Solid(3, 0, 1, 1, 2)).Trailer();
    ASSERT_TRUE(control->SetGIF(Widen(b)));
    control->SetFrame(1);
    EXPECT_EQ(control->Composer().Screen().At(3, 0), PixelOf(Rgb{14, 26, 253}));
    control->SetBackColor(OleColor{0x000000FF});
    EXPECT_EQ(control->Frame(), 0);
    EXPECT_EQ(control->Composer().Screen().At(3, 0), PixelOf(Rgb{255, 0, 0}));
    EXPECT_EQ(control->Composer().Screen().At(0, 0), PixelOf(Rgb{7, 13, 254}));
}

TEST_F(ControlTest, AutoSizeAsksForTheGifScreenSize) {
    ShowWindow();
    GifBuilder b(30, 40);
    b.Image(Solid(0, 0, 30, 40, 1)).Trailer();
    ASSERT_TRUE(control->SetGIF(Widen(b)));
    control->SetAutoSize(true);
    Paint(100, 100);
    ASSERT_EQ(site.posRects.size(), 1u);
    EXPECT_EQ(site.posRects[0], (vantry::automation::Rect{10, 20, 40, 60}));
    EXPECT_EQ(control->Extent(), PixelsToHimetric(Size{30, 40}));
    Paint(30, 40);
    EXPECT_EQ(site.posRects.size(), 1u) << "settled once the extent matches";
}

TEST_F(ControlTest, GetFramePaintsTheTransparentColourInBackColor) {
    GifBuilder b(2, 1);
    ImageSpec s = Solid(0, 0, 2, 1, 1);
    s.indices = {1, 3};
    b.Control(0, 0, 3).Image(s).Trailer();
    ASSERT_TRUE(control->SetGIF(Widen(b)));
    control->SetBackColor(OleColor{0x00102030});
    auto picture = QueryInterface<IPicture>(control->GetFrame(0));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->PictureType(), IPicture::kBitmap);
    EXPECT_EQ(picture->Image().size(), QSize(2, 1));
    EXPECT_EQ(picture->Image().pixel(0, 0), qRgb(7, 13, 254));
    EXPECT_EQ(picture->Image().pixel(1, 0), qRgb(0x30, 0x20, 0x10));
}

// ---- events and input ----------------------------------------------------------

TEST_F(ControlTest, MouseInputFiresEventsWithButtonShiftAndPosition) {
    QWidget* win = ShowWindow();
    // Only presses and releases matter here; moves the test tool adds are dropped.
    sink->skipMoves = true;
    QTest::mousePress(win, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(5, 6));
    ASSERT_GE(sink->events.size(), 2u);
    EXPECT_EQ(sink->events[0].id, ids::kClick);
    EXPECT_EQ(sink->events[1].id, ids::kMouseDown);
    EXPECT_EQ(sink->events[1].args,
              (std::vector<Variant>{Variant(int16_t{1}), Variant(int16_t{3}), Variant(int32_t{5}),
                                    Variant(int32_t{6})}));
    sink->events.clear();
    QTest::mouseRelease(win, Qt::LeftButton, Qt::AltModifier, QPoint(7, 8));
    ASSERT_EQ(sink->events.size(), 1u);
    EXPECT_EQ(sink->events[0].id, ids::kMouseUp);
    EXPECT_EQ(sink->events[0].args[0], Variant(int16_t{0})) << "the released button is gone";
    EXPECT_EQ(sink->events[0].args[1], Variant(int16_t{4}));
    sink->events.clear();
    QTest::mousePress(win, Qt::RightButton, {}, QPoint(1, 1));
    EXPECT_EQ(sink->Count(ids::kClick), 0);
    EXPECT_EQ(sink->events.at(0).args[0], Variant(int16_t{2}));
    QTest::mouseRelease(win, Qt::RightButton, {}, QPoint(1, 1));
    sink->events.clear();
    QTest::mouseDClick(win, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(sink->Count(ids::kDblClick), 1);
}

TEST_F(ControlTest, FocusChangesReachTheSite) {
    control->OnFocus(true);
    control->OnFocus(false);
    EXPECT_EQ(site.focus, (std::vector<bool>{true, false}));
}

TEST_F(ControlTest, EventsAreDescribed) {
    const auto events = control->Events();
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[0].name, "Step");
    EXPECT_EQ(events[0].id, 1);
    EXPECT_EQ(events[3].name, "MouseDown");
    EXPECT_EQ(events[3].id, -605);
    EXPECT_EQ(events[3].argNames, (std::vector<std::string>{"Button", "Shift", "x", "y"}));
}

// ---- dispatch face -------------------------------------------------------------

TEST_F(ControlTest, DispatchIdentifiersAndFlags) {
    const std::pair<const char*, DispId> names[] = {
        {"Frame", 1},      {"Frames", 2},    {"Playing", 3},     {"Transparent", 4},
        {"BackColor", 5},  {"GIF", 6},       {"GIFWidth", 7},    {"GIFHeight", 8},
        {"Speed", 9},      {"Play", 10},     {"Stop", 11},       {"ReadGIF", 12},
        {"GetFrame", 13},  {"Stretch", 14},  {"FrameWidth", 15}, {"FrameHeight", 16},
        {"FrameLeft", 17}, {"FrameTop", 18}, {"AutoSize", 19},   {"SequenceString", 20},
        {"Sequence", 21},  {"hWnd", -515},   {"AboutBox", -552}};
    for (const auto& [name, id] : names) {
        EXPECT_EQ(control->GetIdOfName(name), id) << name;
    }
    for (const MemberInfo& m : control->Members()) {
        if (m.id == ids::kGIF) {
            EXPECT_EQ(m.flags, uint32_t{kBindable | kRequestEdit | kDisplayBind | kDefaultBind});
        } else if (m.id == ids::kPlaying) {
            EXPECT_EQ(m.flags, uint32_t{kHidden});
        } else {
            EXPECT_EQ(m.flags, 0u) << m.name;
        }
        if (m.id == ids::kFrames || m.id == ids::kGIFWidth || m.id == ids::kHwnd) {
            EXPECT_FALSE(m.writable) << m.name;
        }
    }
}

TEST_F(ControlTest, LateBoundCallsReachTheTypedMembers) {
    ShowWindow();
    PutProperty(*control, "GIF", Variant(Widen(FourFrames())));
    EXPECT_EQ(GetProperty(*control, "Frames"), Variant(int16_t{4}));
    EXPECT_EQ(GetProperty(*control, "FrameWidth", {Variant(int16_t{2})}), Variant(int16_t{4}));
    EXPECT_EQ(GetProperty(*control, "FrameWidth", {Variant(int16_t{9})}), Variant(int16_t{0}));
    PutProperty(*control, "Frame", Variant(int32_t{2}));
    EXPECT_EQ(GetProperty(*control, "Frame"), Variant(int16_t{2}));
    EXPECT_EQ(CallMethod(*control, "GetFrame", {Variant(int16_t{9})}), Variant::Nothing());
    EXPECT_NE(CallMethod(*control, "GetFrame", {Variant(int16_t{0})}), Variant::Nothing());
    EXPECT_EQ(CallMethod(*control, "ReadGIF", {Variant(u"/no/such/file.gif")}), Variant(false));
    EXPECT_EQ(GetProperty(*control, "Frames"), Variant(int16_t{0}));
    EXPECT_NE(GetProperty(*control, "hWnd"), Variant(int32_t{0}));
    CallMethod(*control, "AboutBox");
    EXPECT_EQ(about, std::vector<QString>{"About Plimova Control|Plimova Control, Version 2.01"});
}

// ---- browsing ------------------------------------------------------------------

TEST_F(ControlTest, PropertyBrowsingTexts) {
    EXPECT_EQ(control->DisplayString(ids::kGIF), u"No GIF");
    ASSERT_TRUE(control->SetGIF(Widen(OneFrame())));
    EXPECT_EQ(control->DisplayString(ids::kGIF), u"Still GIF");
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    EXPECT_EQ(control->DisplayString(ids::kGIF), u"Animation GIF");
    EXPECT_EQ(control->PropertyPage(ids::kGIF), ids::kPageClsid);
    EXPECT_EQ(control->PropertyPage(ids::kSpeed), std::nullopt);
    EXPECT_EQ(control->Pages(), std::vector<Clsid>{ids::kPageClsid});

    EXPECT_EQ(control->DisplayString(ids::kStretch), u"0 - No Stretch");
    control->SetStretch(2);
    EXPECT_EQ(control->DisplayString(ids::kStretch), u"2 - Proportional");
    control->SetStretch(5);
    EXPECT_EQ(control->DisplayString(ids::kStretch), std::nullopt);
    control->SetSequence(2);
    EXPECT_EQ(control->DisplayString(ids::kSequence), u"2 - Pingpong Sequence");
    control->SetSequence(3);
    EXPECT_EQ(control->DisplayString(ids::kSequence), std::nullopt);

    const auto stretch = control->PredefinedValues(ids::kStretch);
    ASSERT_EQ(stretch.size(), 3u);
    EXPECT_EQ(stretch[1].first, u"1 - Stretch");
    EXPECT_EQ(stretch[1].second, Variant(int16_t{1}));
    const auto sequence = control->PredefinedValues(ids::kSequence);
    ASSERT_EQ(sequence.size(), 3u);
    EXPECT_EQ(sequence[0].first, u"0 - Normal Sequence");
    EXPECT_EQ(sequence[1].first, u"1 - Reverse Sequence");
    EXPECT_TRUE(control->PredefinedValues(ids::kSpeed).empty());
}

TEST_F(ControlTest, WindowGoneStopsTheTimerSafely) {
    ShowWindow();
    ASSERT_TRUE(control->SetGIF(Widen(FourFrames())));
    control->Play();
    ASSERT_TRUE(control->IsTimerArmed());
    delete host;  // the host's window takes the control's window with it
    host = nullptr;
    EXPECT_EQ(control->Window(), nullptr);
    EXPECT_FALSE(control->IsTimerArmed());
    control->TimerStep();
    control->Play();
    EXPECT_FALSE(control->IsTimerArmed());
}

}  // namespace
}  // namespace plimova
