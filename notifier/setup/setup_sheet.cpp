#include "setup_sheet.h"

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
#include <QTabWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>

#include "settings/data_files.h"
#include "settings/password_scramble.h"
#include "settings/start_with_system.h"
#include "setup/account_dialogs.h"
#include "setup/options_page.h"
#include "setup/window_rectangle.h"

namespace corvy::setup {

using settings::AccountSlot;
using settings::NotifierSettings;

namespace {

// The Setup window keeps its rectangle as the other Corvy windows do.
constexpr char kRectangleSection[] = "Setup";

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

template <typename W>
W* Named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

}  // namespace

// ---- Connection ------------------------------------------------------------

CCorvyPropPage1::CCorvyPropPage1(SetupContext& ctx, const NotifierSettings& s, QWidget* parent)
    : QWidget(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("CCorvyPropPage1"));
    lan_ = Named(new QCheckBox(tr("Connect via LAN or other direct connection"), this), "chkLAN");
    dun_ = Named(new QComboBox(this), "cmbDUN");
    user_ = Named(new QLineEdit(this), "txtDUNUserName");
    password_ = Named(new QLineEdit(this), "txtDUNPassword");
    password_->setEchoMode(QLineEdit::Password);
    number_ = Named(new QLineEdit(this), "txtNumberToDial");
    ask_ = Named(new QCheckBox(tr("Ask before connecting and disconnecting"), this),
                 "chkAskBeforeConnecting");
    onlyWhenOnline_ = Named(new QCheckBox(tr("Check for new mail only while online"), this),
                            "chkCheckOnlyWhenOnline");
    disconnect_ =
        Named(new QCheckBox(tr("Disconnect after checking for new mail"), this), "chkDisconnect");

    const vantry::profile::Profile& p = ctx.profile;
    lan_->setChecked(s.lan);
    if (!s.dun.empty()) {
        dun_->addItem(Q(s.dun));
    }
    user_->setText(Q(p.GetString("Connection", "UserID")));
    password_->setText(Q(settings::UnscramblePassword(p.GetString("Connection", "Password"))));
    number_->setText(Q(p.GetString("Connection", "NumberToDial")));
    ask_->setChecked(p.GetInt("Connection", "AskBeforeConnecting", 1) != 0);
    onlyWhenOnline_->setChecked(s.checkOnlyWhenOnline);
    disconnect_->setChecked(s.disconnect);

    auto* form = new QFormLayout;
    form->addRow(tr("Dial-Up Connection"), dun_);
    form->addRow(tr("User Name"), user_);
    form->addRow(tr("Password"), password_);
    form->addRow(tr("Number to dial"), number_);
    auto* automatic = new QGroupBox(tr("Automatic mail checks"), this);
    auto* autoLayout = new QVBoxLayout(automatic);
    autoLayout->addWidget(onlyWhenOnline_);
    autoLayout->addWidget(disconnect_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lan_);
    layout->addLayout(form);
    layout->addWidget(ask_);
    layout->addWidget(automatic);
    layout->addStretch();

    connect(lan_, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    connect(onlyWhenOnline_, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    UpdateEnabling();
}

void CCorvyPropPage1::UpdateEnabling() {
    // Without dial-up support the machine is on a LAN and nothing here applies.
    lan_->setEnabled(ctx_.dialUpAvailable);
    if (!ctx_.dialUpAvailable) {
        lan_->setChecked(true);
    }
    const bool dialUp = !lan_->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{dun_, user_, password_, number_, ask_, onlyWhenOnline_}) {
        w->setEnabled(dialUp);
    }
    disconnect_->setEnabled(dialUp && !onlyWhenOnline_->isChecked());
}

void CCorvyPropPage1::Store(NotifierSettings& s) const {
    s.lan = lan_->isChecked();
    s.dun = dun_->currentText().toStdString();
    s.checkOnlyWhenOnline = onlyWhenOnline_->isChecked();
    s.disconnect = disconnect_->isChecked();
}

void CCorvyPropPage1::OnOK() {
    vantry::profile::Profile& p = ctx_.profile;
    p.WriteInt("Connection", "AskBeforeConnecting", ask_->isChecked() ? 1 : 0);
    p.WriteString("Connection", "UserID", user_->text().toStdString());
    p.WriteString("Connection", "Password",
                  settings::ScramblePassword(password_->text().toStdString()));
    p.WriteString("Connection", "NumberToDial", number_->text().toStdString());
}

// ---- Mail Accounts ---------------------------------------------------------

CCorvyPropPage2::CCorvyPropPage2(SetupContext& ctx, const settings::AccountSlots& stored,
                                 const NotifierSettings& s, QWidget* parent)
    : QWidget(parent), ctx_(ctx), accounts_(stored) {
    setObjectName(QStringLiteral("CCorvyPropPage2"));
    list_ = Named(new QListWidget(this), "lstAccounts");
    auto* add = Named(new QPushButton(tr("&Add"), this), "cmdAdd");
    auto* edit = Named(new QPushButton(tr("&Edit"), this), "cmdEdit");
    auto* del = Named(new QPushButton(tr("&Delete"), this), "cmdDelete");
    host_ = Named(new QLineEdit(Q(s.quickMailHost), this), "txtSMTPServer");
    from_ = Named(new QLineEdit(Q(s.quickMailFrom), this), "txtYourName");
    reply_ = Named(new QLineEdit(Q(s.quickMailReply), this), "txtEmailAddress");
    auto* signature = Named(new QPushButton(tr("Signature"), this), "cmdSignature");

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(edit);
    buttons->addWidget(del);
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(list_, 1);
    top->addLayout(buttons);
    auto* quick = new QGroupBox(tr("QuickMail"), this);
    auto* form = new QFormLayout(quick);
    form->addRow(tr("SMTP Server"), host_);
    form->addRow(tr("Your Name"), from_);
    form->addRow(tr("Email Address"), reply_);
    form->addRow(QString(), signature);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(quick);

    accountDialog_ = [this](AccountSlot& account, bool) {
        CAccountDlg dlg(ctx_, account, this);
        if (dlg.exec() != QDialog::Accepted) {
            return false;
        }
        account = dlg.Account();
        return true;
    };
    connect(add, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(edit, &QPushButton::clicked, this, [this] { OnEdit(); });
    connect(del, &QPushButton::clicked, this, [this] { OnDelete(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { OnEdit(); });
    connect(signature, &QPushButton::clicked, this, [this] { OnSignature(); });
    FillList();
}

void CCorvyPropPage2::FillList() {
    list_->clear();
    for (int i = 0; i < accounts_.Count(); ++i) {
        list_->addItem(Q(accounts_.At(i).name));
    }
}

void CCorvyPropPage2::Store(NotifierSettings& s) const {
    s.quickMailHost = host_->text().toStdString();
    s.quickMailFrom = from_->text().toStdString();
    s.quickMailReply = reply_->text().toStdString();
}

void CCorvyPropPage2::OnAdd() {
    std::string error;
    if (!accounts_.CanAdd(error)) {
        Warn(ctx_, this, error);
        return;
    }
    AccountSlot account;
    if (!accountDialog_(account, true)) {
        return;
    }
    if (!accounts_.Add(account, error)) {
        Warn(ctx_, this, error);
        return;
    }
    list_->addItem(Q(account.name));
    list_->setCurrentRow(list_->count() - 1);
    emit AccountsChanged();
}

void CCorvyPropPage2::OnEdit() {
    const int row = list_->currentRow();
    if (row < 0 || row >= accounts_.Count()) {
        return;
    }
    AccountSlot account = accounts_.At(row);
    if (!accountDialog_(account, false)) {
        return;
    }
    std::string error;
    if (!accounts_.Edit(row, account, error)) {
        Warn(ctx_, this, error);
        return;
    }
    list_->item(row)->setText(Q(account.name));
    emit AccountsChanged();
}

void CCorvyPropPage2::OnDelete() {
    const int row = list_->currentRow();
    if (row < 0 || row >= accounts_.Count()) {
        return;
    }
    const std::string name = accounts_.At(row).name;
    if (ctx_.services.MessageBox(this, "Are you sure you want to delete " + name, "Corvy",
                                 BoxIcon::None, BoxButtons::YesNo) != BoxAnswer::Yes) {
        return;
    }
    if (!accounts_.Delete(row)) {
        ctx_.services.MessageBox(this, "Unable to delete item.", "Corvy", BoxIcon::None,
                                 BoxButtons::Ok);
        return;
    }
    delete list_->takeItem(row);
    emit AccountsChanged();
}

void CCorvyPropPage2::OnSignature() {
    // The user edits a copy in their own folder: the installed data is read-only.
    const std::string own = settings::UserDataFolder() + "/signature.txt";
    std::error_code ec;
    if (!std::filesystem::exists(own, ec)) {
        std::filesystem::create_directories(settings::UserDataFolder(), ec);
        const std::string shipped = ctx_.dataFolder + "/signature.txt";
        if (!std::filesystem::is_regular_file(shipped, ec) ||
            !std::filesystem::copy_file(shipped, own, ec)) {
            std::ofstream(own, std::ios::app);
        }
    }
    if (!ctx_.services.Open(own)) {
        Warn(ctx_, this, "Could not open signature file for editing");
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
    page2_ = new CCorvyPropPage2(ctx, settings::LoadAccountSlots(ctx.profile), current, tabs_);
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
    LoadWindowRectangle(*this, ctx_.profile, kRectangleSection, ctx_.services.PlacesWindows());
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
    page2_->Accounts().Save(ctx_.profile);
    settings::SaveNotifierSettings(ctx_.profile, result_);
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
