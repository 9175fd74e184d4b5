#pragma once
// frmOptions, the modal options window: the sender's identity, the chosen
// address book and the relay server, sounds and log-on start. Settings are
// written on OK or Apply only; a drive search stores its result at once.

#include <memory>

#include "dialogs/check_list_dialog.h"
#include "options/options_context.h"
#include "shell/header_sort.h"

namespace Ui {
class frmOptions;
}

class QTreeWidgetItem;

namespace murmel {

class frmOptions : public CheckListDialog {
    Q_OBJECT
public:
    explicit frmOptions(OptionsContext& context, QWidget* parent = nullptr);
    ~frmOptions() override;

    Ui::frmOptions* ui() const { return ui_.get(); }

    // The page shown on load: 0 mail, 1 address books, 2 miscellaneous;
    // any other value shows the mail page.
    void setInitialTab(int tab) { initialTab_ = tab; }
    void Form_Load();

    void cmdMail_Click();
    void cmdBook_Click();
    void cmdMisc_Click();
    void AnyText_Change();
    void chkSounds_Click();
    void chkAutorun_Click();
    void lblPlayNavigationSounds_Click();
    void lblAutorun_Click();
    void Drive1_Change();
    void cmdSearch_Click();
    void lvBooks_ItemClick(QTreeWidgetItem* row);
    void lvBooks_ColumnClick(int column);
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetTexts();
    void ShowPage(int page);
    void OpenPage(int page, QWidget* focus);
    void RefillBooks();
    bool ValidateAndSave();

    std::unique_ptr<Ui::frmOptions> ui_;
    OptionsContext& context_;
    int initialTab_ = 0;
    bool loading_ = false;
    HeaderSort sort_;
};

// Shows the options window modally on page INITIAL_TAB and unloads it.
void ShowOptionsWindow(OptionsContext& context, int initialTab, QWidget* parent);

}  // namespace murmel
