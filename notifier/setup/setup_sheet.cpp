#include "setup_sheet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>

#include "settings/data_files.h"
#include "settings/password_scramble.h"
#include "settings/start_with_system.h"
#include "setup/account_dialogs.h"

namespace corvy::setup {

using settings::AccountSlot;
using settings::NotifierSettings;

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

template <typename W>
W* Named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

}  // namespace

// ---- Options ---------------------------------------------------------------

CCorvyPropPage3::CCorvyPropPage3(SetupContext& ctx, const NotifierSettings& s, bool runAtStart,
                                 QWidget* parent)
    : QWidget(parent), ctx_(ctx), defaultAccount_(s.defaultAccount) {
    setObjectName(QStringLiteral("CCorvyPropPage3"));
    checkEvery_ = Named(new QCheckBox(tr("Check for mail every"), this), "chkCheckTimeActive");
    checkTime_ = Named(new QSpinBox(this), "spnCheckTime");
    checkTime_->setRange(0, settings::kMaxCheckTime);
    checkTime_->setSuffix(tr(" minutes"));
    onStartUp_ =
        Named(new QCheckBox(tr("Check for mail when Corvy starts"), this), "chkCheckOnStartUp");
    showWindow_ = Named(new QCheckBox(tr("Display message when new mail arrives"), this),
                        "chkShowNewMailWindow");
    playSound_ =
        Named(new QCheckBox(tr("Play a sound when new mail arrives"), this), "chkPlayNewMailSound");
    sound_ = Named(new QLineEdit(this), "txtNewMailSound");
    browseSound_ = Named(new QPushButton(QStringLiteral("..."), this), "cmdBrowseSound");
    suppress_ =
        Named(new QCheckBox(tr("Suppress errors messages while checking for new mail"), this),
              "chkSuppressErrors");
    untilView_ =
        Named(new QCheckBox(tr("Consider messages new until message headers are viewed"), this),
              "chkNewUntilView");
    peekLines_ = Named(new QSpinBox(this), "spnPeekLines");
    peekLines_->setRange(settings::kMinPeekLines, settings::kMaxPeekLines);
    client_ = Named(new QLineEdit(this), "txtEmailClient");
    auto* browseClient = Named(new QPushButton(QStringLiteral("..."), this), "cmdBrowseClient");
    leftClick_ = new QButtonGroup(this);
    auto* popup = Named(new QRadioButton(tr("Display popup menu"), this), "optLeftClickMenu");
    auto* check = Named(new QRadioButton(tr("Check for new mail"), this), "optLeftClickCheck");
    auto* headers =
        Named(new QRadioButton(tr("Display message headers for "), this), "optLeftClickHeaders");
    leftClick_->addButton(popup, 0);
    leftClick_->addButton(check, 1);
    leftClick_->addButton(headers, 2);
    defaultAccountBox_ = Named(new QComboBox(this), "cmbDefaultAccount");
    retrieveBody_ = Named(new QCheckBox(tr("Retrieve message body with headers"), this),
                          "chkRetrieveBodyWithHeaders");
    runAtStart_ = Named(new QCheckBox(tr("Start Corvy when I log in"), this), "chkRunAtStart");

    checkEvery_->setChecked(s.checkTimeActive);
    checkTime_->setValue(s.checkTime);
    onStartUp_->setChecked(s.checkOnStartUp);
    showWindow_->setChecked(s.showNewMailWindow);
    playSound_->setChecked(s.playNewMailSound);
    sound_->setText(Q(s.newMailSound));
    suppress_->setChecked(s.suppressErrors);
    untilView_->setChecked(s.newUntilView);
    peekLines_->setValue(s.peekLines);
    client_->setText(Q(s.emailClient));
    if (QAbstractButton* b = leftClick_->button(s.leftClickAction)) {
        b->setChecked(true);
    } else {
        popup->setChecked(true);
    }
    retrieveBody_->setChecked(ctx.profile.GetInt("Options", "RetrieveBodyWithHeaders", 1) != 0);
    runAtStart_->setChecked(runAtStart);

    auto* every = new QHBoxLayout;
    every->addWidget(checkEvery_);
    every->addWidget(checkTime_);
    auto* soundRow = new QHBoxLayout;
    soundRow->addWidget(sound_, 1);
    soundRow->addWidget(browseSound_);
    auto* clientRow = new QHBoxLayout;
    clientRow->addWidget(client_, 1);
    clientRow->addWidget(browseClient);
    auto* peekRow = new QHBoxLayout;
    peekRow->addWidget(new QLabel(tr("Peek lines"), this));
    peekRow->addWidget(peekLines_);
    peekRow->addStretch();
    auto* leftBox = new QGroupBox(tr("Left Click Action"), this);
    auto* leftLayout = new QVBoxLayout(leftBox);
    leftLayout->addWidget(popup);
    leftLayout->addWidget(check);
    auto* headersRow = new QHBoxLayout;
    headersRow->addWidget(headers);
    headersRow->addWidget(defaultAccountBox_, 1);
    leftLayout->addLayout(headersRow);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(every);
    layout->addWidget(onStartUp_);
    layout->addWidget(showWindow_);
    layout->addWidget(playSound_);
    layout->addLayout(soundRow);
    layout->addWidget(suppress_);
    layout->addWidget(untilView_);
    layout->addWidget(retrieveBody_);
    layout->addLayout(peekRow);
    layout->addWidget(new QLabel(tr("Location of your full email program"), this));
    layout->addLayout(clientRow);
    layout->addWidget(leftBox);
    layout->addWidget(runAtStart_);

    connect(checkEvery_, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    connect(playSound_, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    connect(browseSound_, &QPushButton::clicked, this, [this] { OnBrowseSound(); });
    connect(browseClient, &QPushButton::clicked, this, [this] { OnBrowseClient(); });
    UpdateEnabling();
}

void CCorvyPropPage3::UpdateEnabling() {
    checkTime_->setEnabled(checkEvery_->isChecked());
    sound_->setEnabled(playSound_->isChecked());
    browseSound_->setEnabled(playSound_->isChecked());
}

void CCorvyPropPage3::FillAccounts(const settings::AccountList& accounts) {
    if (defaultAccountBox_->count() > 0) {
        defaultAccount_ = defaultAccountBox_->currentText().toStdString();
    }
    defaultAccountBox_->clear();
    int selected = -1;
    for (int i = 0; i < accounts.Count(); ++i) {
        defaultAccountBox_->addItem(Q(accounts.At(i).name));
        if (accounts.At(i).name == defaultAccount_) {
            selected = i;
        }
    }
    // No default yet: the first account becomes it.
    if (selected < 0 && defaultAccountBox_->count() > 0) {
        selected = 0;
    }
    defaultAccountBox_->setCurrentIndex(selected);
    defaultAccount_ = defaultAccountBox_->currentText().toStdString();
}

void CCorvyPropPage3::Store(NotifierSettings& s) const {
    s.checkTimeActive = checkEvery_->isChecked();
    s.checkTime = checkTime_->value();
    s.checkOnStartUp = onStartUp_->isChecked();
    s.showNewMailWindow = showWindow_->isChecked();
    s.playNewMailSound = playSound_->isChecked();
    s.newMailSound = sound_->text().toStdString();
    s.suppressErrors = suppress_->isChecked();
    s.newUntilView = untilView_->isChecked();
    s.peekLines = peekLines_->value();
    s.emailClient = client_->text().toStdString();
    s.leftClickAction = leftClick_->checkedId() < 0 ? 0 : leftClick_->checkedId();
    s.defaultAccount = defaultAccountBox_->currentText().toStdString();
}

bool CCorvyPropPage3::RunAtStart() const {
    return runAtStart_->isChecked();
}

void CCorvyPropPage3::OnOK() {
    ctx_.profile.WriteInt("Options", "RetrieveBodyWithHeaders", retrieveBody_->isChecked() ? 1 : 0);
}

void CCorvyPropPage3::OnBrowseSound() {
    const std::string file = ctx_.services.ChooseFile(
        this, "Select Sound File", "WAV Files (*.wav)", sound_->text().toStdString());
    if (!file.empty()) {
        sound_->setText(Q(file));
    }
}

void CCorvyPropPage3::OnBrowseClient() {
    // Programs here carry no extension; any file may be chosen.
    const std::string file = ctx_.services.ChooseFile(this, "Select Email Program", "Programs (*)",
                                                      client_->text().toStdString());
    if (!file.empty()) {
        client_->setText(Q(file));
    }
}

// ---- Sheet -----------------------------------------------------------------

CCorvyPropSheet::CCorvyPropSheet(SetupContext& ctx, const NotifierSettings& current,
                                 QWidget* parent)
    : QDialog(parent), ctx_(ctx), result_(current) {
    setObjectName(QStringLiteral("CCorvyPropSheet"));
    setWindowTitle(QStringLiteral("Corvy  - Setup"));
    runAtStartBefore_ = settings::StartsWithSystem(ctx.registry, ctx.runCommand);
    tabs_ = new QTabWidget(this);
    page1_ = new CCorvyPropPage1(ctx, current, tabs_);
    page2_ = new CCorvyPropPage2(ctx, settings::LoadAccountSlots(ctx.profile, ctx.vault), current,
                                 tabs_);
    page3_ = new CCorvyPropPage3(ctx, current, runAtStartBefore_, tabs_);
    tabs_->addTab(page1_, tr("Connection"));
    tabs_->addTab(page2_, tr("Mail Accounts"));
    tabs_->addTab(page3_, tr("Options"));
    page3_->FillAccounts(page2_->Accounts());
    connect(page2_, &CCorvyPropPage2::AccountsChanged, this,
            [this] { page3_->FillAccounts(page2_->Accounts()); });

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("cmdHelp"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { OpenHelp(ctx_.services, this, ctx_.dataFolder, "setup.htm"); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
}

void CCorvyPropSheet::OnOK() {
    // The pages write their own keys first, as each page confirms.
    page1_->OnOK();
    page3_->OnOK();
    page1_->Store(result_);
    page2_->Store(result_);
    page3_->Store(result_);
    page2_->Accounts().Save(ctx_.profile, ctx_.vault);
    settings::SaveNotifierSettings(ctx_.profile, result_);
    settings::SaveQuickMailPassword(ctx_.profile, page2_->QuickMailPassword(), ctx_.vault);
    const bool runAtStart = page3_->RunAtStart();
    if (runAtStart != runAtStartBefore_) {
        const std::string error =
            settings::SetStartWithSystem(ctx_.registry, runAtStart, ctx_.runCommand);
        if (!error.empty()) {
            Warn(ctx_, this, error);
        }
    }
    accept();
}

bool RunSetup(SetupContext& ctx, NotifierSettings& settings, QWidget* parent) {
    CCorvyPropSheet sheet(ctx, settings, parent);
    if (sheet.exec() != QDialog::Accepted) {
        return false;
    }
    settings = sheet.Result();
    return true;
}

}  // namespace corvy::setup
