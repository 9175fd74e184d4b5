#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QWidget>

#include "automation/control_host.h"
#include "automation/dispatch.h"
#include "automation/picture.h"

namespace vantry::automation {
namespace {

// A control with a window of its own that remembers what its host told it.
class WindowedGadget : public IControl, public IWindowedControl {
public:
    void SetClientSite(ControlSite* site) override { site_ = site; }
    ControlSite* ClientSite() const override { return site_; }
    void AmbientPropertyChanged(DispId id) override { ambientChanges.push_back(id); }
    Size Extent() const override { return extent_; }
    void SetExtent(Size himetric) override { extent_ = himetric; }

    QWidget* InPlaceActivate(QWidget* parent) override {
        if (!window_) {
            window_ = new QWidget(parent);
            ++activations;
        }
        return window_;
    }
    void InPlaceDeactivate() override {
        delete window_;
        window_ = nullptr;
    }
    QWidget* Window() const override { return window_; }

    ControlSite* site_ = nullptr;
    Size extent_{PixelsToHimetric(Size{120, 40})};
    QWidget* window_ = nullptr;
    std::vector<DispId> ambientChanges;
    int activations = 0;
};

TEST(ControlHost, PlacesTheControlWindowAndTracksItsSize) {
    QWidget form;
    auto gadget = std::make_shared<WindowedGadget>();
    auto host = new ControlHost(&form);
    host->SetControl(gadget);
    EXPECT_EQ(gadget->ClientSite(), static_cast<ControlSite*>(host));
    EXPECT_EQ(host->size(), QSize(120, 40)) << "sized to the control's extent";
    ASSERT_NE(host->ControlWindow(), nullptr);
    EXPECT_EQ(host->ControlWindow()->parentWidget(), host);
    form.show();
    EXPECT_EQ(host->ControlWindow()->geometry(), QRect(0, 0, 120, 40));

    host->resize(200, 50);
    EXPECT_EQ(host->ControlWindow()->geometry(), QRect(0, 0, 200, 50));
    EXPECT_EQ(gadget->Extent(), PixelsToHimetric(Size{200, 50}));
    EXPECT_EQ(HimetricToPixels(gadget->Extent()), (Size{200, 50}));
}

TEST(ControlHost, AnswersAmbientPropertiesAndAnnouncesChanges) {
    ControlHost host;
    auto gadget = std::make_shared<WindowedGadget>();
    host.SetControl(gadget);
    EXPECT_TRUE(AmbientUserMode(gadget->ClientSite()));
    host.SetUserMode(false);
    EXPECT_FALSE(host.UserMode());
    EXPECT_FALSE(AmbientUserMode(gadget->ClientSite()));
    EXPECT_EQ(gadget->ambientChanges, std::vector<DispId>{dispid::kAmbientUserMode});
    host.SetUserMode(false);  // no change, no notice
    EXPECT_EQ(gadget->ambientChanges.size(), 1u);
    EXPECT_EQ(host.Ambient(dispid::kAmbientBackColor).Type(), VariantType::Color);
    EXPECT_TRUE(host.Ambient(12345).IsEmpty());
    host.SetAmbient(12345, Variant(int16_t{1}));
    EXPECT_EQ(host.Ambient(12345), Variant(int16_t{1}));
}

TEST(ControlHost, NoticesFromTheControlBecomeSignals) {
    ControlHost host;
    auto gadget = std::make_shared<WindowedGadget>();
    host.SetControl(gadget);
    ControlSite* site = gadget->ClientSite();
    ASSERT_NE(site, nullptr);

    QSignalSpy changed(&host, &ControlHost::propertyChanged);
    site->OnChanged(6);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 6);

    QSignalSpy edits(&host, &ControlHost::editRequested);
    EXPECT_TRUE(site->OnRequestEdit(6));
    host.SetRequestEditHandler([](DispId id) { return id != 6; });
    EXPECT_FALSE(site->OnRequestEdit(6));
    EXPECT_TRUE(site->OnRequestEdit(7));
    ASSERT_EQ(edits.count(), 3);
    EXPECT_FALSE(edits.at(1).at(1).toBool());

    QSignalSpy invalidated(&host, &ControlHost::invalidated);
    site->Invalidate();
    EXPECT_EQ(invalidated.count(), 1);

    QSignalSpy moved(&host, &ControlHost::positionRectChanged);
    site->OnPosRectChange(automation::Rect{10, 20, 110, 70});
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(host.geometry(), QRect(10, 20, 100, 50));
    EXPECT_EQ(site->PositionRect(), (automation::Rect{10, 20, 110, 70}));
    // A rectangle turned inside out gives an empty size, never a negative one.
    site->OnPosRectChange(automation::Rect{5, 5, 0, 0});
    EXPECT_EQ(host.size(), QSize(0, 0));

    QSignalSpy focus(&host, &ControlHost::focusChanged);
    site->OnFocus(true);
    site->OnFocus(false);
    ASSERT_EQ(focus.count(), 2);
    EXPECT_TRUE(focus.at(0).at(0).toBool());
    EXPECT_FALSE(focus.at(1).at(0).toBool());
}

TEST(ControlHost, ReplacingOrDestroyingTheHostDetachesTheControl) {
    auto first = std::make_shared<WindowedGadget>();
    auto second = std::make_shared<WindowedGadget>();
    {
        ControlHost host;
        host.SetControl(first);
        host.SetControl(second);
        EXPECT_EQ(first->ClientSite(), nullptr);
        EXPECT_EQ(first->Window(), nullptr);
        EXPECT_NE(second->Window(), nullptr);
        EXPECT_EQ(host.Control(), second);
    }
    EXPECT_EQ(second->ClientSite(), nullptr) << "no dangling site after the host is gone";
    EXPECT_EQ(second->Window(), nullptr);

    // A control without a window or control face is held and nothing more.
    ControlHost host;
    host.SetControl(std::make_shared<Object>());
    EXPECT_EQ(host.ControlWindow(), nullptr);
    host.SetControl(nullptr);
    EXPECT_EQ(host.Control(), nullptr);
}

}  // namespace
}  // namespace vantry::automation

namespace vantry::automation {
namespace {

TEST(Picture, CarriesItsImageAndAnswersLateBound) {
    QImage image(10, 20, QImage::Format_ARGB32);
    image.fill(Qt::red);
    Variant v(Picture::Make(image));
    auto picture = QueryInterface<IPicture>(v.ToObject());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->PictureType(), IPicture::kBitmap);
    EXPECT_EQ(picture->Image().pixel(9, 19), image.pixel(9, 19));
    EXPECT_EQ(picture->Extent(), (Size{265, 529}));

    auto disp = QueryInterface<IDispatchable>(v.ToObject());
    ASSERT_TRUE(disp);
    EXPECT_EQ(GetProperty(*disp, "Type"), Variant(int16_t{1}));
    EXPECT_EQ(GetProperty(*disp, 4), Variant(int32_t{265}));
    EXPECT_EQ(GetProperty(*disp, "height"), Variant(int32_t{529}));
    EXPECT_NE(GetProperty(*disp, "Handle").ToInt32(), 0);
    image.fill(Qt::blue);  // the picture owns its own copy
    EXPECT_EQ(picture->Image().pixel(0, 0), QColor(Qt::red).rgba());

    Picture none{QImage()};
    EXPECT_EQ(none.PictureType(), IPicture::kNone);
    EXPECT_EQ(GetProperty(none, "Handle"), Variant(int32_t{0}));
    EXPECT_EQ(none.Extent(), (Size{0, 0}));
}

}  // namespace
}  // namespace vantry::automation
