#include "setup/options_page.h"

#include <QButtonGroup>

#include "ui_options_page.h"

namespace corvy::setup {

using settings::NotifierSettings;

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

CCorvyPropPage3::CCorvyPropPage3(SetupContext& ctx, const NotifierSettings& s, bool runAtStart,
                                 QWidget* parent)
    : QWidget(parent),
      ctx_(ctx),
      ui_(std::make_unique<Ui::CCorvyPropPage3>()),
      defaultAccount_(s.defaultAccount) {
    ui_->setupUi(this);
    ui_->spnCheckTime->setRange(0, settings::kMaxCheckTime);
    ui_->spnPeekLines->setRange(settings::kMinPeekLines, settings::kMaxPeekLines);
    // The button ids are the stored LeftClickAction values.
    leftClick_ = new QButtonGroup(this);
    leftClick_->addButton(ui_->optLeftClickMenu, 0);
    leftClick_->addButton(ui_->optLeftClickCheck, 1);
    leftClick_->addButton(ui_->optLeftClickHeaders, 2);

    ui_->chkCheckTimeActive->setChecked(s.checkTimeActive);
    ui_->spnCheckTime->setValue(s.checkTime);
    ui_->chkCheckOnStartUp->setChecked(s.checkOnStartUp);
    ui_->chkShowNewMailWindow->setChecked(s.showNewMailWindow);
    ui_->chkPlayNewMailSound->setChecked(s.playNewMailSound);
    ui_->txtNewMailSound->setText(Q(s.newMailSound));
    ui_->chkSuppressErrors->setChecked(s.suppressErrors);
    ui_->chkNewUntilView->setChecked(s.newUntilView);
    ui_->spnPeekLines->setValue(s.peekLines);
    ui_->txtEmailClient->setText(Q(s.emailClient));
    if (QAbstractButton* b = leftClick_->button(s.leftClickAction)) {
        b->setChecked(true);
    } else {
        ui_->optLeftClickMenu->setChecked(true);
    }
    ui_->chkRetrieveBodyWithHeaders->setChecked(
        ctx.profile.GetInt("Options", "RetrieveBodyWithHeaders", 1) != 0);
    ui_->chkRunAtStart->setChecked(runAtStart);

    connect(ui_->chkCheckTimeActive, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    connect(ui_->chkPlayNewMailSound, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    connect(ui_->cmdBrowseSound, &QPushButton::clicked, this, [this] { OnBrowseSound(); });
    connect(ui_->cmdBrowseClient, &QPushButton::clicked, this, [this] { OnBrowseClient(); });
    UpdateEnabling();
}

CCorvyPropPage3::~CCorvyPropPage3() = default;

void CCorvyPropPage3::UpdateEnabling() {
    ui_->spnCheckTime->setEnabled(ui_->chkCheckTimeActive->isChecked());
    ui_->txtNewMailSound->setEnabled(ui_->chkPlayNewMailSound->isChecked());
    ui_->cmdBrowseSound->setEnabled(ui_->chkPlayNewMailSound->isChecked());
}

void CCorvyPropPage3::FillAccounts(const settings::AccountList& accounts) {
    QComboBox* box = ui_->cmbDefaultAccount;
    if (box->count() > 0) {
        defaultAccount_ = box->currentText().toStdString();
    }
    box->clear();
    int selected = -1;
    for (int i = 0; i < accounts.Count(); ++i) {
        box->addItem(Q(accounts.At(i).name));
        if (accounts.At(i).name == defaultAccount_) {
            selected = i;
        }
    }
    // No default yet: the first account becomes it.
    if (selected < 0 && box->count() > 0) {
        selected = 0;
    }
    box->setCurrentIndex(selected);
    defaultAccount_ = box->currentText().toStdString();
}

void CCorvyPropPage3::Store(NotifierSettings& s) const {
    s.checkTimeActive = ui_->chkCheckTimeActive->isChecked();
    s.checkTime = ui_->spnCheckTime->value();
    s.checkOnStartUp = ui_->chkCheckOnStartUp->isChecked();
    s.showNewMailWindow = ui_->chkShowNewMailWindow->isChecked();
    s.playNewMailSound = ui_->chkPlayNewMailSound->isChecked();
    s.newMailSound = ui_->txtNewMailSound->text().toStdString();
    s.suppressErrors = ui_->chkSuppressErrors->isChecked();
    s.newUntilView = ui_->chkNewUntilView->isChecked();
    s.peekLines = ui_->spnPeekLines->value();
    s.emailClient = ui_->txtEmailClient->text().toStdString();
    s.leftClickAction = leftClick_->checkedId() < 0 ? 0 : leftClick_->checkedId();
    s.defaultAccount = ui_->cmbDefaultAccount->currentText().toStdString();
}

bool CCorvyPropPage3::RunAtStart() const {
    return ui_->chkRunAtStart->isChecked();
}

void CCorvyPropPage3::OnOK() {
    ctx_.profile.WriteInt("Options", "RetrieveBodyWithHeaders",
                          ui_->chkRetrieveBodyWithHeaders->isChecked() ? 1 : 0);
}

void CCorvyPropPage3::OnBrowseSound() {
    const std::string file = ctx_.services.ChooseFile(
        this, "Select Sound File", "WAV Files (*.wav)", ui_->txtNewMailSound->text().toStdString());
    if (!file.empty()) {
        ui_->txtNewMailSound->setText(Q(file));
    }
}

void CCorvyPropPage3::OnBrowseClient() {
    // Programs here carry no extension; any file may be chosen.
    const std::string file = ctx_.services.ChooseFile(this, "Select Email Program", "Programs (*)",
                                                      ui_->txtEmailClient->text().toStdString());
    if (!file.empty()) {
        ui_->txtEmailClient->setText(Q(file));
    }
}

}  // namespace corvy::setup
