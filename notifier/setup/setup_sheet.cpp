#include "setup_sheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>

#include "services/window_rectangle.h"
#include "settings/data_files.h"
#include "settings/password_scramble.h"
#include "settings/start_with_system.h"
#include "setup/account_dialogs.h"
#include "setup/options_page.h"
#include "ui_setup_sheet.h"

namespace corvy::setup {

using settings::AccountSlot;
using settings::NotifierSettings;

namespace {

// The Setup window keeps its rectangle as the other Corvy windows do.
constexpr char kRectangleSection[] = "Setup";

}  // namespace

// ---- Sheet -----------------------------------------------------------------

CCorvyPropSheet::CCorvyPropSheet(SetupContext& ctx, const NotifierSettings& current,
                                 QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CCorvyPropSheet>()), ctx_(ctx), result_(current) {
    ui_->setupUi(this);
    runAtStartBefore_ = settings::StartsWithSystem(ctx.registry, ctx.runCommand);
    // The pages need the program's context, so they are made here, not by the form.
    page1_ = new CCorvyPropPage1(ctx, current, ui_->tabs);
    page2_ = new CCorvyPropPage2(ctx, settings::LoadAccountSlots(ctx.profile, ctx.vault), current,
                                 ui_->tabs);
    page3_ = new CCorvyPropPage3(ctx, current, runAtStartBefore_, ui_->tabs);
    ui_->tabs->addTab(page1_, tr("Connection"));
    ui_->tabs->addTab(page2_, tr("Mail Accounts"));
    ui_->tabs->addTab(page3_, tr("Options"));
    page3_->FillAccounts(page2_->Accounts());
    connect(page2_, &CCorvyPropPage2::AccountsChanged, this,
            [this] { page3_->FillAccounts(page2_->Accounts()); });

    ui_->buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("cmdHelp"));
    connect(ui_->buttons, &QDialogButtonBox::accepted, this, [this] { OnOK(); });
    connect(ui_->buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ui_->buttons, &QDialogButtonBox::helpRequested, this,
            [this] { OpenHelp(ctx_.services, this, ctx_.dataFolder, "setup.htm"); });
    LoadWindowRectangle(*this, ctx_.profile, kRectangleSection, ctx_.services.PlacesWindows());
}

CCorvyPropSheet::~CCorvyPropSheet() = default;

QTabWidget* CCorvyPropSheet::Tabs() const {
    return ui_->tabs;
}

void CCorvyPropSheet::done(int result) {
    SaveWindowRectangle(*this, ctx_.profile, kRectangleSection, ctx_.services.PlacesWindows());
    QDialog::done(result);
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
