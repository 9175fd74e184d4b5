// Corvy's windows under a real Wayland compositor (run_under_weston.sh),
// which places them itself: each must come up at its saved size. Elsewhere
// these cases are skipped.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

#include "app/new_mail_dlg.h"
#include "quickmail/quickmail_dlg.h"
#include "services/notifier_services.h"
#include "services/testing/saved_rectangle.h"
#include "setup/setup_sheet.h"
#include "shell/session.h"
#include "test_env.h"

namespace corvy {
namespace {

class WaylandSession : public ::testing::Test {
protected:
    void SetUp() override {
        if (!vantry::shell::IsWaylandPlatform(QGuiApplication::platformName())) {
            GTEST_SKIP() << "not a Wayland session";
        }
        ASSERT_FALSE(services_->PlacesWindows());
    }

    // Shows the window and waits until the compositor has mapped it.
    static void ShowOnScreen(QWidget& window) {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    std::filesystem::path dir_ = vantry::test::FreshDir("wayland");
    vantry::profile::Profile profile_{dir_ / "corvy.ini"};
    vantry::registry::Store store_{dir_ / "registry"};
    std::unique_ptr<NotifierServices> services_ = CreateSystemServices();
};

TEST_F(WaylandSession, SetupOpensAtItsSavedSizeAndKeepsThePosition) {
    corvy::testing::WriteSavedRectangle(profile_, "Setup", QRect(50, 60, 780, 620));
    setup::SetupContext ctx{profile_, store_, *services_, dir_.string(), "corvy", false};
    setup::CCorvyPropSheet sheet(ctx, {});
    ShowOnScreen(sheet);
    EXPECT_EQ(sheet.windowHandle()->size(), QSize(780, 620));
    sheet.resize(800, 640);
    QTRY_COMPARE(sheet.windowHandle()->size(), QSize(800, 640));
    sheet.reject();
    EXPECT_EQ(corvy::testing::SavedRectangle(profile_, "Setup"), QRect(50, 60, 800, 640));
}

TEST_F(WaylandSession, QuickMailOpensAtItsSavedSize) {
    corvy::testing::WriteSavedRectangle(profile_, "QuickMail", QRect(40, 30, 610, 470));
    CQuickMailDlg dialog(profile_, *services_, dir_.string());
    ShowOnScreen(dialog);
    EXPECT_EQ(dialog.windowHandle()->size(), QSize(610, 470));
}

// The new-mail window keeps no rectangle: the size it asks for is the one it gets.
TEST_F(WaylandSession, NewMailWindowOpensAtItsOwnSize) {
    CNewMailDlg dialog(*services_, {"mail@example.org"}, "", "", false, {});
    dialog.resize(dialog.sizeHint().expandedTo(QSize(420, 240)));
    const QSize asked = dialog.size();
    ShowOnScreen(dialog);
    EXPECT_EQ(dialog.windowHandle()->size(), asked);
}

}  // namespace
}  // namespace corvy
