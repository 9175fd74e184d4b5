#pragma once
// Plimova: the animated GIF control. A plain class with typed members (what
// tests and in-process hosts call), plus the dispatch, event, control and
// persistence faces a host reaches it through by ProgID.

#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "automation/control.h"
#include "automation/control_host.h"
#include "automation/dispatch.h"
#include "automation/events.h"
#include "automation/persist.h"
#include "control/plimova_ids.h"
#include "engine/gif_image.h"
#include "engine/screen_composer.h"

class QImage;
class QPainter;
class QRect;
class QWidget;

namespace plimova {

class PlimovaWindow;
struct PlimovaMembers;

// A stretch factor as the exact fraction num / den, so scaled sizes truncate
// the true product (a stretched picture fills the control to its last pixel).
struct Scale {
    int num = 1;
    int den = 1;
    int Apply(int v) const { return num == den ? v : static_cast<int>(int64_t{v} * num / den); }
};

class Plimova final : public vantry::automation::IDispatchable,
                      public vantry::automation::IConnectable,
                      public vantry::automation::IControl,
                      public vantry::automation::IPersistStreamInit,
                      public vantry::automation::IPersistPropertyBag,
                      public vantry::automation::IPropertyBrowsing,
                      public vantry::automation::ISpecifyPropertyPages,
                      public vantry::automation::IWindowedControl {
public:
    using OleColor = vantry::automation::OleColor;
    using DispId = vantry::automation::DispId;

    Plimova();
    ~Plimova() override;
    Plimova(const Plimova&) = delete;
    Plimova& operator=(const Plimova&) = delete;

    // ---- automation members (IPlimova) ----
    int16_t Frame() const { return frame_; }
    void SetFrame(int16_t value);
    int16_t Frames() const { return static_cast<int16_t>(image_.FrameCount()); }
    bool Playing() const { return props_.playing; }
    void SetPlaying(bool value);
    bool Transparent() const { return props_.transparent; }
    void SetTransparent(bool value);
    OleColor BackColor() const { return props_.backColor; }
    void SetBackColor(OleColor value);
    // The GIF's bytes, one unit per byte; empty when there is none.
    std::u16string GIF() const;
    // False when the container refused the edit (nothing changed).
    bool SetGIF(const std::u16string& bytes);
    int16_t GIFWidth() const { return static_cast<int16_t>(image_.ScreenWidth()); }
    int16_t GIFHeight() const { return static_cast<int16_t>(image_.ScreenHeight()); }
    int16_t Speed() const { return props_.speed; }
    void SetSpeed(int16_t value);
    void Play();
    void Stop();
    bool ReadGIF(const std::u16string& fileName);
    vantry::automation::ObjectPtr GetFrame(int16_t frame);
    int16_t Stretch() const { return props_.stretch; }
    void SetStretch(int16_t value);
    int16_t FrameWidth(int16_t frame) const;
    int16_t FrameHeight(int16_t frame) const;
    int16_t FrameLeft(int16_t frame) const;
    int16_t FrameTop(int16_t frame) const;
    bool AutoSize() const { return props_.autoSize; }
    void SetAutoSize(bool value);
    std::u16string SequenceString() const { return props_.sequenceString; }
    void SetSequenceString(const std::u16string& value);
    int16_t Sequence() const { return props_.sequence; }
    void SetSequence(int16_t value);
    int32_t HWnd() const;
    void AboutBox() override;

    // ---- state a host or test may inspect ----
    bool IsTimerArmed() const { return timer_.isActive(); }
    int TimerInterval() const { return timer_.interval(); }
    // The timer step, as when the animation timer fires.
    void TimerStep();
    // The region given to the window: nullopt when none is set, an empty
    // region when the window is hidden entirely.
    std::optional<QRegion> WindowRegion() const { return windowRegion_; }
    const GifImage& Image() const { return image_; }
    const ScreenComposer& Composer() const { return composer_; }
    const std::vector<int16_t>& SequenceList() const { return sequenceList_; }
    int16_t SequencePosition() const { return sequencePosition_; }
    // Shows the about box; replaced by tests and by hosts without a screen.
    std::function<void(QWidget* parent, const QString& title, const QString& text)> aboutPresenter;

    // ---- window input, called by the control's window ----
    void OnMousePress(int button, int buttons, int shift, int x, int y);
    void OnMouseDoubleClick(int button);
    void OnMouseMove(int buttons, int shift, int x, int y);
    void OnMouseRelease(int buttons, int shift, int x, int y);
    void OnFocus(bool gained);
    void OnWindowDestroyed();

    // ---- IDispatchable ----
    std::optional<DispId> GetIdOfName(std::string_view name) const override;
    vantry::automation::Variant Invoke(DispId id, vantry::automation::InvokeKind kind,
                                       std::vector<vantry::automation::Variant>& args) override;
    std::vector<vantry::automation::MemberInfo> Members() const override;

    // ---- IConnectable ----
    uint32_t Advise(std::shared_ptr<vantry::automation::IEventSink> sink) override;
    bool Unadvise(uint32_t cookie) override;
    std::vector<vantry::automation::EventInfo> Events() const override;

    // ---- IControl ----
    void SetClientSite(vantry::automation::ControlSite* site) override;
    vantry::automation::ControlSite* ClientSite() const override { return site_; }
    void AmbientPropertyChanged(DispId id) override;
    vantry::automation::Size Extent() const override { return extent_; }
    void SetExtent(vantry::automation::Size himetric) override;
    uint32_t MiscStatus() const override;

    // ---- IPersistStreamInit / IPersistPropertyBag ----
    vantry::automation::Clsid GetClassId() const override { return ids::kClsid; }
    bool IsDirty() const override { return dirty_; }
    bool InitNew() override;
    bool Load(vantry::automation::ByteStream& stream) override;
    bool Save(vantry::automation::ByteStream& stream, bool clearDirty) override;
    uint64_t GetSizeMax() const override;
    bool Load(vantry::automation::IPropertyBag& bag) override;
    bool Save(vantry::automation::IPropertyBag& bag, bool clearDirty, bool saveAll) override;

    // ---- IPropertyBrowsing / ISpecifyPropertyPages ----
    std::optional<std::u16string> DisplayString(DispId id) override;
    std::vector<std::pair<std::u16string, vantry::automation::Variant>> PredefinedValues(
        DispId id) override;
    std::optional<vantry::automation::Clsid> PropertyPage(DispId id) override;
    std::vector<vantry::automation::Clsid> Pages() const override;

    // ---- IWindowedControl: the control's own child window ----
    QWidget* InPlaceActivate(QWidget* parent) override;
    void InPlaceDeactivate() override;
    QWidget* Window() const override;
    // The container draws the control into bounds (window coordinates).
    void Draw(QPainter& painter, const QRect& bounds);

private:
    static const PlimovaMembers& MemberTable();
    struct Loaded;
    void ApplyLoaded(const Loaded& loaded);

    Rgb BackRgb() const;
    void Changed(DispId id);
    void Repaint();
    void TimerRule();
    void SetFrameInternal(int value, bool notify = true);
    bool EnsureComposer();
    void AfterNewGif(bool notify = true);
    void ApplyRegion(std::optional<QRegion> region);
    bool ApplyAutoSize();
    std::pair<Scale, Scale> Factors(int w, int h) const;
    void UpdateShape(int w, int h);
    void FireMouse(DispId id, int buttons, int shift, int x, int y);
    void ResetState();

    GifImage image_;
    ScreenComposer composer_;
    // What a host sets, with the values a new control starts from.
    struct Properties {
        bool playing = true;
        bool transparent = true;
        bool autoSize = false;
        OleColor backColor{ids::kDefaultBackColor};
        int16_t stretch = 0;
        int16_t speed = 1;
        int16_t sequence = 0;
        std::u16string sequenceString;
    };
    Properties props_;
    std::vector<int16_t> sequenceList_;
    int16_t sequencePosition_ = 0;
    int16_t frame_ = 0;
    int16_t direction_ = 1;
    bool firstPaintDone_ = false;
    vantry::automation::Size extent_{ids::kDefaultExtent, ids::kDefaultExtent};
    bool dirty_ = false;

    vantry::automation::ControlSite* site_ = nullptr;
    vantry::automation::EventSource events_;
    QPointer<PlimovaWindow> window_;
    QTimer timer_;
    std::optional<QRegion> windowRegion_;
    // What the window's shape was last built from.
    struct ShapeKey {
        unsigned generation;
        bool composed;
        bool frames;
        bool transparent;
        int16_t stretch;
        int width;
        int height;
        friend bool operator==(const ShapeKey&, const ShapeKey&) = default;
    };
    std::optional<ShapeKey> shapeKey_;
    std::vector<QRect> bands_;  // kept between steps: the shape's storage
};

}  // namespace plimova
