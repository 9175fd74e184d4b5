#include "control/plimova.h"

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <utility>

#include "automation/picture.h"
#include "control/plimova_window.h"
#include "control/sequence.h"

namespace plimova {

using namespace vantry::automation;

namespace {

// The system colours the control knows, by index, and the palette role
// that stands for each; any other index paints as the window background.
constexpr std::pair<uint32_t, QPalette::ColorRole> kSystemColours[] = {
    {5, QPalette::Base},              // window
    {8, QPalette::Text},              // window text
    {13, QPalette::Highlight},        // highlight
    {14, QPalette::HighlightedText},  // highlight text
    {15, QPalette::Button},           // button face
    {16, QPalette::Dark},             // button shadow
    {18, QPalette::ButtonText},       // button text
    {20, QPalette::Light},            // button highlight
};

// A colour as the control paints it: an RGB value, or a system colour taken
// from the application palette.
Rgb ToRgb(OleColor colour) {
    const uint32_t v = colour.value;
    if ((v & 0xFF000000u) == 0x80000000u) {
        QPalette::ColorRole role = QPalette::Window;
        for (const auto& [index, systemRole] : kSystemColours) {
            if ((v & 0xFF) == index) {
                role = systemRole;
            }
        }
        const QColor c = QGuiApplication::palette().color(role);
        return Rgb{static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                   static_cast<uint8_t>(c.blue())};
    }
    return Rgb{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
               static_cast<uint8_t>(v >> 16)};
}

// One field of a frame's information; 0 for a bad index.
int16_t FrameField(const GifImage& image, int16_t frame, std::uint16_t FrameInfo::*field) {
    const auto info = image.GetFrameInfo(frame);
    return info ? static_cast<int16_t>((*info).*field) : 0;
}

QColor ToQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

// An engine picture seen as an image without copying; valid while the
// picture lives.
QImage View(const Picture& p) {
    if (p.Empty()) {
        return QImage();
    }
    return QImage(reinterpret_cast<const uchar*>(p.Row(0)), p.Width(), p.Height(),
                  static_cast<qsizetype>(p.Width()) * 4, QImage::Format_RGB32);
}

// The composer's run rectangles as the bands of a window region, each scaled: left and
// top multiplied by their factor, width and height multiplied and added to
// them, all truncated. The runs arrive row by row, top to bottom and left to
// right, so the region's bands are laid down directly, in time linear in the
// runs: touching runs of a row merge, and a row whose runs equal the band
// above it extends that band, which is the form the toolkit keeps regions in.
void ScaledBands(const Region& region, Scale sx, Scale sy, std::vector<QRect>& bands) {
    const std::vector<plimova::Rect>& runs = region.rects;
    bands.clear();
    std::vector<std::pair<int, int>> spans;
    std::vector<std::pair<int, int>> above;
    std::size_t aboveStart = 0;
    int aboveBottom = 0;
    for (std::size_t i = 0; i < runs.size();) {
        const int rowTop = runs[i].top;
        const int rowBottom = runs[i].bottom;
        spans.clear();
        for (; i < runs.size() && runs[i].top == rowTop && runs[i].bottom == rowBottom; ++i) {
            const int left = sx.Apply(runs[i].left);
            const int right = sx.Apply(runs[i].right);
            if (right <= left) {
                continue;
            }
            if (!spans.empty() && left <= spans.back().second) {
                spans.back().second = std::max(spans.back().second, right);
            } else {
                spans.emplace_back(left, right);
            }
        }
        const int top = sy.Apply(rowTop);
        const int bottom = sy.Apply(rowBottom);
        if (bottom <= top || spans.empty()) {
            continue;
        }
        if (!bands.empty() && aboveBottom == top && spans == above) {
            for (std::size_t j = aboveStart; j < bands.size(); ++j) {
                bands[j].setBottom(bottom - 1);
            }
        } else {
            aboveStart = bands.size();
            for (const auto& [left, right] : spans) {
                bands.emplace_back(left, top, right - left, bottom - top);
            }
            above.swap(spans);
        }
        aboveBottom = bottom;
    }
}

}  // namespace

// ---- construction ----------------------------------------------------------

Plimova::Plimova() {
    timer_.setSingleShot(false);
    // A coarse timer may fire 5 % early; frame delays are meant to the
    // millisecond.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { TimerStep(); });
    aboutPresenter = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox::about(parent, title, text);
    };
}

Plimova::~Plimova() {
    timer_.stop();
    if (window_) {
        window_->Detach();
        delete window_.data();
    }
}

// ---- helpers ---------------------------------------------------------------

Rgb Plimova::BackRgb() const {
    return ToRgb(props_.backColor);
}

void Plimova::Changed(DispId id) {
    dirty_ = true;
    if (site_ != nullptr) {
        site_->OnChanged(id);
    }
}

// Size, shape and timer follow every change at once rather than waiting
// for the paint: a window whose region is empty gets no paint events.
void Plimova::Repaint() {
    if (site_ != nullptr) {
        site_->Invalidate();
    }
    if (window_) {
        ApplyAutoSize();
        if (window_) {
            UpdateShape(window_->width(), window_->height());
            window_->update();
        }
    }
    TimerRule();
}

bool Plimova::ApplyAutoSize() {
    const int cx = image_.ScreenWidth();
    const int cy = image_.ScreenHeight();
    if (cx == 0 || cy == 0 || !props_.autoSize) {
        return false;
    }
    const Size wanted = PixelsToHimetric(Size{cx, cy});
    if (extent_ == wanted) {
        return false;
    }
    if (site_ != nullptr) {
        const vantry::automation::Rect pos = site_->PositionRect();
        site_->OnPosRectChange(
            vantry::automation::Rect{pos.left, pos.top, pos.left + cx, pos.top + cy});
    } else if (window_) {
        window_->resize(cx, cy);
    }
    SetExtent(wanted);
    return true;
}

std::pair<Scale, Scale> Plimova::Factors(int w, int h) const {
    const int cx = image_.ScreenWidth();
    const int cy = image_.ScreenHeight();
    if (cx <= 0 || cy <= 0) {
        return {};
    }
    if (props_.stretch == 1) {
        return {Scale{w, cx}, Scale{h, cy}};
    }
    if (props_.stretch == 2) {
        // The smaller of w / cx and h / cy, compared exactly.
        const Scale f = int64_t{w} * cy <= int64_t{h} * cx ? Scale{w, cx} : Scale{h, cy};
        return {f, f};
    }
    return {};
}

void Plimova::UpdateShape(int w, int h) {
    if (!window_) {
        return;
    }
    const ShapeKey key{composer_.Generation(),
                       composer_.Exists(),
                       image_.FrameCount() > 0,
                       props_.transparent,
                       props_.stretch,
                       w,
                       h};
    if (shapeKey_ == key) {
        return;
    }
    shapeKey_ = key;
    if (!props_.transparent) {
        ApplyRegion(std::nullopt);
    } else if (image_.FrameCount() == 0 || !composer_.Exists()) {
        ApplyRegion(QRegion());
    } else {
        const auto [sx, sy] = Factors(w, h);
        ScaledBands(composer_.OpaqueRegion(), sx, sy, bands_);
        // The toolkit's painter sizes its clip as rectangles x rows in an
        // int; past that it writes out of bounds. Such a shape (a
        // one-pixel checkerboard of 2048 x 2048) is shown unshaped.
        const int64_t rows = bands_.empty() ? 0 : bands_.back().bottom() - bands_.front().top() + 1;
        if (static_cast<int64_t>(bands_.size()) * rows > INT32_MAX) {
            ApplyRegion(std::nullopt);
            return;
        }
        QRegion region;
        region.setRects(bands_.data(), static_cast<int>(bands_.size()));
        ApplyRegion(std::move(region));
    }
}

void Plimova::TimerRule() {
    if (!AmbientUserMode(site_)) {
        if (!props_.playing) {
            timer_.stop();
        }
        return;
    }
    if (!props_.playing) {
        timer_.stop();
        return;
    }
    // The timer lives on the control's window, as the animation does.
    if (image_.FrameCount() > 1 && window_) {
        // Computed wide: the largest speed times the largest delay times ten
        // does not fit an int. Negative speeds mean as fast as possible.
        const int64_t interval = int64_t{props_.speed} * image_.FrameDelay(frame_) * 10;
        timer_.start(static_cast<int>(std::clamp<int64_t>(interval, 0, INT32_MAX)));
    }
}

bool Plimova::EnsureComposer() {
    if (!composer_.Exists() && window_ && image_.FrameCount() > 0) {
        composer_.Create(image_.ScreenWidth(), image_.ScreenHeight(), BackRgb());
    }
    return composer_.Exists();
}

void Plimova::SetFrameInternal(int value, bool notify) {
    const int n = image_.FrameCount();
    int k = value;
    if (props_.sequence == 3) {
        const int len = static_cast<int>(sequenceList_.size());
        sequencePosition_ = static_cast<int16_t>(value < 0 || value >= len ? 0 : value);
        k = len == 0 ? 0 : sequenceList_[static_cast<std::size_t>(sequencePosition_)];
    } else {
        direction_ = 1;
    }
    frame_ = static_cast<int16_t>(n == 0 ? 0 : std::clamp(k, 0, n - 1));
    if (EnsureComposer()) {
        composer_.Compose(image_, frame_, BackRgb());
    }
    if (notify) {
        Changed(ids::kFrame);
    }
    Repaint();
}

void Plimova::AfterNewGif(bool notify) {
    composer_.Discard();
    EnsureComposer();
    SetFrameInternal(0, notify);
}

void Plimova::ApplyRegion(std::optional<QRegion> region) {
    windowRegion_ = std::move(region);
    if (!window_) {
        return;
    }
    if (!windowRegion_) {
        if (!window_->mask().isEmpty()) {
            window_->clearMask();
        }
        return;
    }
    // An empty mask would mean "no mask"; a pixel outside the window hides
    // all of it instead.
    const QRegion mask = windowRegion_->isEmpty() ? QRegion(-1, -1, 1, 1) : *windowRegion_;
    if (window_->mask() != mask) {
        window_->setMask(mask);
        window_->update();
    }
}

// ---- members ---------------------------------------------------------------

void Plimova::SetFrame(int16_t value) {
    SetFrameInternal(value);
}

void Plimova::SetPlaying(bool value) {
    props_.playing = value;
    Repaint();
    TimerRule();
}

void Plimova::SetTransparent(bool value) {
    props_.transparent = value;
    Changed(ids::kTransparent);
    Repaint();
}

void Plimova::SetBackColor(OleColor value) {
    props_.backColor = value;
    Changed(ids::kBackColor);
    frame_ = 0;
    if (composer_.Exists()) {
        composer_.Compose(image_, 0, BackRgb());
    }
    Repaint();
}

std::u16string Plimova::GIF() const {
    return image_.Bytes().value_or(std::u16string());
}

bool Plimova::SetGIF(const std::u16string& bytes) {
    if (site_ != nullptr && !site_->OnRequestEdit(ids::kGIF)) {
        return false;
    }
    image_.LoadFromBytes(bytes);
    Changed(ids::kGIF);
    AfterNewGif();
    return true;
}

void Plimova::SetSpeed(int16_t value) {
    props_.speed = value;
    Changed(ids::kSpeed);
}

void Plimova::Play() {
    props_.playing = true;
    Repaint();
    TimerRule();
}

void Plimova::Stop() {
    props_.playing = false;
}

bool Plimova::ReadGIF(const std::u16string& fileName) {
    // Paths are local file names only; a URL simply names no file.
    const bool ok = image_.LoadFromFile(std::filesystem::path(Utf8(fileName)));
    if (!ok) {
        Stop();
    }
    // A read is no edit: no dirty mark and no change notice.
    AfterNewGif(false);
    return ok;
}

ObjectPtr Plimova::GetFrame(int16_t frame) {
    const auto picture = image_.FrameBitmap(frame, BackRgb());
    if (!picture) {
        return nullptr;
    }
    return vantry::automation::Picture::Make(View(*picture).copy());
}

void Plimova::SetStretch(int16_t value) {
    props_.stretch = value;
    Changed(ids::kStretch);
    Repaint();
}

int16_t Plimova::FrameWidth(int16_t frame) const {
    return FrameField(image_, frame, &FrameInfo::width);
}

int16_t Plimova::FrameHeight(int16_t frame) const {
    return FrameField(image_, frame, &FrameInfo::height);
}

int16_t Plimova::FrameLeft(int16_t frame) const {
    return FrameField(image_, frame, &FrameInfo::left);
}

int16_t Plimova::FrameTop(int16_t frame) const {
    return FrameField(image_, frame, &FrameInfo::top);
}

void Plimova::SetAutoSize(bool value) {
    props_.autoSize = value;
    Changed(ids::kAutoSize);
    Repaint();
}

void Plimova::SetSequenceString(const std::u16string& value) {
    props_.sequenceString = value;
    Changed(ids::kSequenceString);
    sequenceList_ = ParseSequence(value);
    if (props_.sequence == 3) {
        SetFrameInternal(0);
    }
}

void Plimova::SetSequence(int16_t value) {
    props_.sequence = value;
    Changed(ids::kSequence);
    SetFrameInternal(0);
}

int32_t Plimova::HWnd() const {
    return window_ ? static_cast<int32_t>(window_->winId()) : 0;
}

void Plimova::AboutBox() {
    if (aboutPresenter) {
        aboutPresenter(window_.data(), QStringLiteral("About Plimova Control"),
                       QStringLiteral("Plimova Control, Version 2.01"));
    }
}

// ---- animation -------------------------------------------------------------

void Plimova::TimerStep() {
    timer_.stop();
    const int n = image_.FrameCount();
    if (!props_.playing || n < 2) {
        return;
    }
    int k = frame_;
    switch (props_.sequence) {
        case 1:
            k = k - 1 < 0 ? n - 1 : k - 1;
            break;
        case 2:
            k += direction_;
            if (k >= n) {
                k = n - 2;
                direction_ = -1;
            } else if (k < 0) {
                k = 1;
                direction_ = 1;
            }
            break;
        case 3: {
            const int len = static_cast<int>(sequenceList_.size());
            int pos = sequencePosition_ + 1;
            if (pos >= len) {
                pos = 0;
            }
            sequencePosition_ = static_cast<int16_t>(pos);
            k = len == 0 ? 0
                         : std::clamp<int>(sequenceList_[static_cast<std::size_t>(pos)], 0, n - 1);
            break;
        }
        default:
            k = k + 1 >= n ? 0 : k + 1;
            break;
    }
    frame_ = static_cast<int16_t>(k);
    if (EnsureComposer()) {
        composer_.Compose(image_, frame_, BackRgb());
    }
    Repaint();
    events_.Fire(ids::kStep, std::vector<Variant*>{});
}

// ---- painting --------------------------------------------------------------

void Plimova::Draw(QPainter& painter, const QRect& bounds) {
    const int n = image_.FrameCount();
    if (!firstPaintDone_) {
        firstPaintDone_ = true;
        if (n > 0 && EnsureComposer()) {
            composer_.Compose(image_, frame_, BackRgb());
        }
    }
    if (ApplyAutoSize()) {
        Repaint();
        return;
    }
    const int w = bounds.width();
    const int h = bounds.height();
    const auto [sx, sy] = Factors(w, h);
    const QColor back = ToQColor(BackRgb());
    UpdateShape(w, h);
    if (n == 0 || !composer_.Exists()) {
        if (!props_.transparent) {
            painter.fillRect(bounds, back);
        }
        if (n > 0) {
            if (const auto picture = image_.FrameBitmap(frame_, BackRgb())) {
                const QImage img = View(*picture);
                painter.drawImage(QRect(bounds.left(), bounds.top(), sx.Apply(img.width()),
                                        sy.Apply(img.height())),
                                  img);
            }
        }
        return;
    }
    if (w > 0 && h > 0) {
        QImage off(w, h, QImage::Format_RGB32);
        off.fill(back);
        const QImage screen = View(composer_.Screen());
        if (!screen.isNull()) {
            QPainter p(&off);
            p.drawImage(QRect(0, 0, sx.Apply(screen.width()), sy.Apply(screen.height())), screen);
        }
        painter.drawImage(bounds.topLeft(), off);
    }
    TimerRule();
}

// ---- window ----------------------------------------------------------------

QWidget* Plimova::InPlaceActivate(QWidget* parent) {
    if (!window_) {
        window_ = new PlimovaWindow(*this, parent);
        const Size px = HimetricToPixels(extent_);
        window_->resize(std::max(px.cx, 1), std::max(px.cy, 1));
        // A GIF set before the window existed gets its composer now.
        if (image_.FrameCount() > 0 && EnsureComposer()) {
            composer_.Compose(image_, frame_, BackRgb());
        }
    }
    return window_.data();
}

QWidget* Plimova::Window() const {
    return window_.data();
}

void Plimova::InPlaceDeactivate() {
    if (window_) {
        PlimovaWindow* w = window_.data();
        w->Detach();
        window_ = nullptr;
        delete w;
    }
    OnWindowDestroyed();
}

void Plimova::OnWindowDestroyed() {
    timer_.stop();
    window_ = nullptr;
    windowRegion_.reset();
    shapeKey_.reset();
}

// ---- input -----------------------------------------------------------------

void Plimova::FireMouse(DispId id, int buttons, int shift, int x, int y) {
    Variant b = static_cast<int16_t>(buttons);
    Variant s = static_cast<int16_t>(shift);
    Variant vx = static_cast<int32_t>(x);
    Variant vy = static_cast<int32_t>(y);
    events_.Fire(id, b, s, vx, vy);
}

void Plimova::OnMousePress(int button, int buttons, int shift, int x, int y) {
    if (button == 1) {
        events_.Fire(ids::kClick, std::vector<Variant*>{});
    }
    FireMouse(ids::kMouseDown, buttons, shift, x, y);
}

void Plimova::OnMouseDoubleClick(int button) {
    if (button == 1) {
        events_.Fire(ids::kDblClick, std::vector<Variant*>{});
    }
}

void Plimova::OnMouseMove(int buttons, int shift, int x, int y) {
    FireMouse(ids::kMouseMove, buttons, shift, x, y);
}

void Plimova::OnMouseRelease(int buttons, int shift, int x, int y) {
    FireMouse(ids::kMouseUp, buttons, shift, x, y);
}

void Plimova::OnFocus(bool gained) {
    if (site_ != nullptr) {
        site_->OnFocus(gained);
    }
}

// ---- IConnectable ---------------------------------------------------------

uint32_t Plimova::Advise(std::shared_ptr<IEventSink> sink) {
    return events_.Advise(std::move(sink));
}

bool Plimova::Unadvise(uint32_t cookie) {
    return events_.Unadvise(cookie);
}

std::vector<EventInfo> Plimova::Events() const {
    const std::vector<std::string> mouseNames = {"Button", "Shift", "x", "y"};
    const std::vector<VariantType> mouseTypes = {VariantType::Int16, VariantType::Int16,
                                                 VariantType::Int32, VariantType::Int32};
    return {EventInfo{"Step", ids::kStep, {}, {}, false},
            EventInfo{"Click", ids::kClick, {}, {}, false},
            EventInfo{"DblClick", ids::kDblClick, {}, {}, false},
            EventInfo{"MouseDown", ids::kMouseDown, mouseNames, mouseTypes, false},
            EventInfo{"MouseMove", ids::kMouseMove, mouseNames, mouseTypes, false},
            EventInfo{"MouseUp", ids::kMouseUp, mouseNames, mouseTypes, false}};
}

// ---- IControl --------------------------------------------------------------

void Plimova::SetClientSite(ControlSite* site) {
    site_ = site;
    TimerRule();
}

void Plimova::AmbientPropertyChanged(DispId) {
    Repaint();
    TimerRule();
}

void Plimova::SetExtent(Size himetric) {
    extent_ = himetric;
    Repaint();
}

uint32_t Plimova::MiscStatus() const {
    return ids::kMiscStatus;
}

// ---- persistence -----------------------------------------------------------

void Plimova::ResetState() {
    props_ = Properties();
    sequenceList_.clear();
    sequencePosition_ = 0;
    frame_ = 0;
    direction_ = 1;
    image_.Clear();
    composer_.Discard();
}

bool Plimova::InitNew() {
    ResetState();
    dirty_ = false;
    Repaint();
    return true;
}

}  // namespace plimova
