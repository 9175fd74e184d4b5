#include "composer/composer_panel.h"

#include "startup/language.h"
#include "ui_composer_panel.h"

namespace murmel {

ComposerPanel::ComposerPanel(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ComposerPanel>()) {
    ui_->setupUi(this);
}

ComposerPanel::~ComposerPanel() = default;

void ComposerPanel::SetTexts(const TranslationTable& texts) {
    ui_->cmdTo->setToolTip(texts.T("mm0043"));
    ui_->cmdTo->setText(texts.T("mm0060"));
    ui_->cmdCc->setToolTip(texts.T("mm0044"));
    ui_->cmdCc->setText(texts.T("mm0061"));
    ui_->cmbTo->setToolTip(texts.T("mm0045"));
    ui_->cmbCc->setToolTip(texts.T("mm0046"));
    ui_->txtSubject->setToolTip(texts.T("mm0047"));
    ui_->lblSubject->setText(texts.T("mm0068") + QLatin1Char(':'));
    ui_->chkReturnReceipt->setToolTip(texts.T("mm0048"));
    ui_->lblReturnReceipt->setText(texts.T("mm0069"));
}

void ComposerPanel::PrepareReply(const QString& to, const QString& cc, const QString& subject) {
    auto fill = [](QComboBox* box, const QString& text) {
        if (!text.trimmed().isEmpty()) {
            box->setEditText(text);
        } else if (box->count() > 0) {
            box->setCurrentIndex(0);
            box->setEditText(box->itemText(0));
        }
    };
    fill(ui_->cmbTo, to);
    fill(ui_->cmbCc, cc);
    const QString trimmed = subject.trimmed();
    if (trimmed.isEmpty()) {
        return;
    }
    if (trimmed.startsWith(QLatin1String("Re:"), Qt::CaseInsensitive)) {
        ui_->txtSubject->setText(subject);
    } else {
        ui_->txtSubject->setText(QStringLiteral("Re: ") + subject);
    }
}

}  // namespace murmel
