#include "recorder/recorder_panel.h"

#include <cstdlib>

#include "settings/settings.h"
#include "startup/language.h"
#include "ui_recorder_panel.h"

namespace murmel {

RecorderPanel::RecorderPanel(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::RecorderPanel>()) {
    ui_->setupUi(this);
    tmrRecording_.setObjectName(QStringLiteral("tmrRecording"));
    tmrRecording_.setInterval(1000);
}

RecorderPanel::~RecorderPanel() = default;

void RecorderPanel::SetTexts(const TranslationTable& texts) {
    auto button = [&texts](QAbstractButton* b, const char* tip, const char* caption) {
        b->setToolTip(texts.T(tip));
        b->setText(texts.T(caption));
    };
    button(ui_->cmdRecord, "mm0038", "mm0063");
    button(ui_->cmdPlay, "mm0039", "mm0064");
    button(ui_->cmdStop, "mm0040", "mm0065");
    button(ui_->cmdSend, "mm0041", "mm0066");
    ui_->lblStatus->setText(texts.T("mm0036"));
    ui_->lblMic->setText(texts.T("mm0070"));
    ui_->lblVol->setText(texts.T("mm0071"));
}

void RecorderPanel::ShowStatus(const QString& text) {
    ui_->lblStatus->setText(text);
}

void RecorderPanel::SaveLevels(Settings& settings) const {
    // A disabled slider found no mixer control: its stored level is kept
    // rather than replaced by a position the user never chose.
    if (ui_->Slider1->isEnabled()) {
        settings.setInVolume(QString::number(std::abs(ui_->Slider1->value())));
    }
    if (ui_->Slider2->isEnabled()) {
        settings.setOutVolume(QString::number(std::abs(ui_->Slider2->value())));
    }
}

}  // namespace murmel
