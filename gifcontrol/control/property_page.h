#pragma once
// The control's property page: picks a GIF file, clears it, previews the
// animation, and writes the GIF to the controls on Apply.

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/object.h"
#include "automation/property_page.h"
#include "engine/gif_image.h"
#include "engine/screen_composer.h"

namespace Ui {
class PlimovaPropertyPage;
}

namespace plimova {

class PlimovaPropertyPage : public QWidget {
public:
    explicit PlimovaPropertyPage(QWidget* parent = nullptr);
    ~PlimovaPropertyPage() override;

    // The GIF the page starts with (the control's `GIF` value).
    void SetGif(const std::u16string& bytes);
    std::u16string Gif() const;
    bool IsChanged() const { return changed_; }
    void SetChanged(bool changed);
    // Told whenever the changed mark flips.
    std::function<void()> onChangedMark;
    const GifImage& Image() const { return *image_; }
    int PreviewFrame() const { return previewFrame_; }
    bool IsPreviewRunning() const { return timer_.isActive(); }
    // The preview as shown, margin included.
    QImage PreviewImage() const;

    void cmdBrowse_Click();
    void cmdClear_Click();

    // Replaceable for tests: the file chooser (empty: cancelled) and the
    // warning box.
    std::function<QString(QWidget* parent)> chooseFile;
    std::function<void(QWidget* parent, const QString& text)> warn;

    // Called by the preview timer.
    void PreviewStep();

private:
    void RestartPreview();
    void ShowPreview();

    std::unique_ptr<Ui::PlimovaPropertyPage> ui_;
    std::unique_ptr<GifImage> image_;
    ScreenComposer composer_;
    QTimer timer_;
    int previewFrame_ = 0;
    bool changed_ = false;
};

// The property page class a host creates by its CLSID: it edits the `GIF`
// property of the controls it is given.
class PlimovaPpg final : public vantry::automation::IPropertyPage {
public:
    ~PlimovaPpg() override;
    std::u16string Title() const override { return u"GIF"; }
    std::u16string Description() const override { return u"Plimova Propety Page"; }
    void SetObjects(std::vector<vantry::automation::ObjectPtr> objects) override;
    void SetStatusCallback(std::function<void()> onStatusChange) override;
    QWidget* Activate(QWidget* parent) override;
    void Deactivate() override;
    bool IsDirty() const override;
    bool Apply() override;
    PlimovaPropertyPage* Page() const { return page_.data(); }

private:
    void LoadFromObjects();

    std::vector<vantry::automation::ObjectPtr> objects_;
    std::function<void()> onStatusChange_;
    QPointer<PlimovaPropertyPage> page_;
};

}  // namespace plimova
