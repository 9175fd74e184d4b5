#include "control/property_page.h"

#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>

#include "automation/dispatch.h"
#include "control/plimova_ids.h"
#include "ui_property_page.h"

namespace plimova {

using namespace vantry::automation;

namespace {

constexpr Rgb kPreviewBack{192, 192, 192};
constexpr int kMargin = 3;
constexpr int kMaxPath = 300;

QString DefaultChooseFile(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Browse GIFs"));
    dialog.setNameFilters(
        {QStringLiteral("GIF files (.gif) (*.gif)"), QStringLiteral("All files (*.*) (*)")});
    dialog.setDefaultSuffix(QStringLiteral("gif"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().front();
}

}  // namespace

PlimovaPropertyPage::PlimovaPropertyPage(QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::PlimovaPropertyPage>()),
      image_(std::make_unique<GifImage>()) {
    ui_->setupUi(this);
    chooseFile = DefaultChooseFile;
    warn = [](QWidget* p, const QString& text) {
        QMessageBox::warning(p, QStringLiteral("GIF"), text);
    };
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { PreviewStep(); });
    connect(ui_->cmdBrowse, &QPushButton::clicked, this, [this] { cmdBrowse_Click(); });
    connect(ui_->cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
    RestartPreview();
}

PlimovaPropertyPage::~PlimovaPropertyPage() = default;

void PlimovaPropertyPage::SetGif(const std::u16string& bytes) {
    image_->LoadFromBytes(bytes);
    RestartPreview();
}

std::u16string PlimovaPropertyPage::Gif() const {
    return image_->Bytes().value_or(std::u16string());
}

void PlimovaPropertyPage::SetChanged(bool changed) {
    const bool flipped = changed != changed_;
    changed_ = changed;
    if (flipped && onChangedMark) {
        onChangedMark();
    }
}

void PlimovaPropertyPage::cmdBrowse_Click() {
    const QString path = chooseFile ? chooseFile(this) : QString();
    if (path.isEmpty()) {
        return;
    }
    // A new image, so a file that fails leaves the page as it was.
    auto next = std::make_unique<GifImage>();
    if (path.size() > kMaxPath || !next->LoadFromFile(path.toStdString())) {
        if (warn) {
            warn(this, QStringLiteral("Invalid GIF file."));
        }
        return;
    }
    image_ = std::move(next);
    RestartPreview();
    SetChanged(true);
}

void PlimovaPropertyPage::cmdClear_Click() {
    image_->Clear();
    RestartPreview();
    SetChanged(true);
}

void PlimovaPropertyPage::RestartPreview() {
    timer_.stop();
    previewFrame_ = 0;
    composer_.Discard();
    const int n = image_->FrameCount();
    ui_->lblFrameCount->setText(n > 0 ? QString::number(n) : QString());
    if (n > 0) {
        composer_.Create(image_->ScreenWidth(), image_->ScreenHeight(), kPreviewBack);
        composer_.Compose(*image_, 0, kPreviewBack);
    }
    ShowPreview();
    if (n > 1) {
        timer_.start(image_->FrameDelay(0) * 10);
    }
}

void PlimovaPropertyPage::PreviewStep() {
    const int n = image_->FrameCount();
    if (n < 2 || !composer_.Exists()) {
        return;
    }
    previewFrame_ = (previewFrame_ + 1) % n;
    composer_.Compose(*image_, previewFrame_, kPreviewBack);
    ShowPreview();
    timer_.start(image_->FrameDelay(previewFrame_) * 10);
}

QImage PlimovaPropertyPage::PreviewImage() const {
    const QSize size = ui_->picPreview->minimumSize();
    QImage preview(size, QImage::Format_RGB32);
    preview.fill(QColor(kPreviewBack.r, kPreviewBack.g, kPreviewBack.b));
    if (composer_.Exists() && !composer_.Screen().Empty()) {
        const Picture& screen = composer_.Screen();
        const QImage view(reinterpret_cast<const uchar*>(screen.Row(0)), screen.Width(),
                          screen.Height(), static_cast<qsizetype>(screen.Width()) * 4,
                          QImage::Format_RGB32);
        QPainter p(&preview);
        p.setClipRect(kMargin, kMargin, size.width() - 2 * kMargin, size.height() - 2 * kMargin);
        p.drawImage(kMargin, kMargin, view);
    }
    return preview;
}

void PlimovaPropertyPage::ShowPreview() {
    ui_->picPreview->setPixmap(QPixmap::fromImage(PreviewImage()));
}

// ---- PlimovaPpg --------------------------------------------------------------

PlimovaPpg::~PlimovaPpg() {
    Deactivate();
}

void PlimovaPpg::SetObjects(std::vector<ObjectPtr> objects) {
    objects_ = std::move(objects);
    LoadFromObjects();
}

void PlimovaPpg::LoadFromObjects() {
    if (!page_ || objects_.empty()) {
        return;
    }
    if (auto disp = QueryInterface<IDispatchable>(objects_.front())) {
        page_->SetGif(GetProperty(*disp, ids::kGIF).ToString());
        page_->SetChanged(false);
    }
}

void PlimovaPpg::SetStatusCallback(std::function<void()> onStatusChange) {
    onStatusChange_ = std::move(onStatusChange);
}

QWidget* PlimovaPpg::Activate(QWidget* parent) {
    if (!page_) {
        page_ = new PlimovaPropertyPage(parent);
        page_->onChangedMark = [this] {
            if (onStatusChange_) {
                onStatusChange_();
            }
        };
        LoadFromObjects();
    }
    return page_.data();
}

void PlimovaPpg::Deactivate() {
    if (page_) {
        delete page_.data();
    }
}

bool PlimovaPpg::IsDirty() const {
    return page_ && page_->IsChanged();
}

bool PlimovaPpg::Apply() {
    if (!page_) {
        return true;
    }
    const std::u16string bytes = page_->Gif();
    bool ok = true;
    for (const ObjectPtr& object : objects_) {
        if (auto disp = QueryInterface<IDispatchable>(object)) {
            try {
                // A refused edit comes back as false, not as an error.
                std::vector<Variant> args{Variant(bytes)};
                const Variant result = disp->Invoke(ids::kGIF, InvokeKind::PropertyPut, args);
                ok = ok && !(result.IfBool() && !*result.IfBool());
            } catch (const AutomationError&) {
                ok = false;
            }
        }
    }
    if (ok) {
        page_->SetChanged(false);
    }
    return ok;
}

}  // namespace plimova
