// The property page: reading the control's GIF, Browse with good and bad
// files, Clear, the preview animation and Apply.

#include "control/property_page.h"

#include <gtest/gtest.h>

#include <QImage>

#include "control/plimova.h"
#include "control/plimova_ids.h"
#include "control/tests/fake_site.h"
#include "engine/tests/gif_builder.h"
#include "test_env.h"

namespace plimova {
namespace {

using namespace vantry::automation;
using test::GifBuilder;

GifBuilder Animation(int frames, int delay) {
    GifBuilder b(6, 4);
    for (int i = 0; i < frames; ++i) {
        b.Control(0, delay).Image(test::Solid(0, 0, 6, 4, static_cast<std::uint8_t>(1 + i % 3)));
    }
    b.Trailer();
    return b;
}

std::u16string Widen(const GifBuilder& b) {
    return std::u16string(b.Data().begin(), b.Data().end());
}

struct PageTest : ::testing::Test {
    void SetUp() override {
        control = std::make_shared<Plimova>();
        control->SetClientSite(&site);
        ASSERT_TRUE(control->SetGIF(Widen(Animation(3, 4))));
        ppg.SetObjects({control});
        ppg.SetStatusCallback([this] { ++statusChanges; });
        page = static_cast<PlimovaPropertyPage*>(ppg.Activate(nullptr));
        page->warn = [this](QWidget*, const QString& text) { warnings.push_back(text); };
    }
    void TearDown() override { ppg.Deactivate(); }

    test::FakeSite site;
    std::shared_ptr<Plimova> control;
    PlimovaPpg ppg;
    PlimovaPropertyPage* page = nullptr;
    std::vector<QString> warnings;
    int statusChanges = 0;
};

TEST_F(PageTest, OpensWithTheControlsGif) {
    EXPECT_EQ(ppg.Title(), u"GIF");
    EXPECT_EQ(ppg.Description(), u"Plimova Propety Page");
    EXPECT_EQ(page->Image().FrameCount(), 3);
    EXPECT_FALSE(ppg.IsDirty());
    EXPECT_TRUE(page->IsPreviewRunning());
    const QImage preview = page->PreviewImage();
    EXPECT_EQ(preview.pixel(0, 0), qRgb(192, 192, 192)) << "margin";
    EXPECT_EQ(preview.pixel(3, 3), qRgb(7, 13, 254)) << "frame 0 inside the margin";
    EXPECT_EQ(preview.pixel(9, 3), qRgb(192, 192, 192)) << "beyond the 6-pixel screen";
}

TEST_F(PageTest, PreviewLoopsForwardAtEachDelay) {
    EXPECT_EQ(page->PreviewFrame(), 0);
    page->PreviewStep();
    page->PreviewStep();
    EXPECT_EQ(page->PreviewFrame(), 2);
    page->PreviewStep();
    EXPECT_EQ(page->PreviewFrame(), 0);
    EXPECT_EQ(page->PreviewImage().pixel(3, 3), qRgb(7, 13, 254));
}

TEST_F(PageTest, BrowseKeepsThePageOnABadFileAndTakesAGoodOne) {
    const auto dir = vantry::test::FreshDir("page");
    vantry::test::WriteFile(dir / "bad.gif", "GIF89a\x01");
    const GifBuilder good = Animation(5, 2);
    vantry::test::WriteFile(dir / "good.gif", std::string(good.Data().begin(), good.Data().end()));

    page->chooseFile = [&](QWidget*) { return QString::fromStdString((dir / "bad.gif").string()); };
    page->cmdBrowse_Click();
    EXPECT_EQ(warnings, std::vector<QString>{"Invalid GIF file."});
    EXPECT_EQ(page->Image().FrameCount(), 3);
    EXPECT_FALSE(ppg.IsDirty());

    page->chooseFile = [](QWidget*) { return QString(); };  // cancelled
    page->cmdBrowse_Click();
    EXPECT_FALSE(ppg.IsDirty());

    page->chooseFile = [&](QWidget*) { return QString(301, QLatin1Char('a')); };
    page->cmdBrowse_Click();
    EXPECT_EQ(warnings.size(), 2u) << "paths are limited to 300 characters";

    page->chooseFile = [&](QWidget*) {
        return QString::fromStdString((dir / "good.gif").string());
    };
    page->cmdBrowse_Click();
    EXPECT_EQ(page->Image().FrameCount(), 5);
    EXPECT_TRUE(ppg.IsDirty());
    EXPECT_EQ(statusChanges, 1);
    EXPECT_EQ(control->Frames(), 3) << "nothing reaches the control before Apply";

    ASSERT_TRUE(ppg.Apply());
    EXPECT_FALSE(ppg.IsDirty());
    EXPECT_EQ(control->Frames(), 5);
    EXPECT_EQ(control->GIF(), Widen(good));
}

TEST_F(PageTest, ClearEmptiesAndApplyRemovesTheControlsGif) {
    page->cmdClear_Click();
    EXPECT_TRUE(ppg.IsDirty());
    EXPECT_EQ(page->Image().FrameCount(), 0);
    EXPECT_FALSE(page->IsPreviewRunning());
    EXPECT_EQ(page->PreviewImage().pixel(3, 3), qRgb(192, 192, 192));
    ASSERT_TRUE(ppg.Apply());
    EXPECT_EQ(control->Frames(), 0);
}

TEST_F(PageTest, RefusedEditKeepsThePageDirty) {
    page->cmdClear_Click();
    site.allowEdit = false;
    EXPECT_FALSE(ppg.Apply());
    EXPECT_TRUE(ppg.IsDirty());
    EXPECT_EQ(control->Frames(), 3);
}

}  // namespace
}  // namespace plimova
