// The new-mail window, the About box and the tray images.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/about_dlg.h"
#include "app/new_mail_dlg.h"
#include "app/tray.h"
#include "services/testing/fake_services.h"

using namespace corvy;

TEST(NewMailDlg, ListsAccountsSelectsFirstAndPlaysSoundOnce) {
    FakeServices services;
    CNewMailDlg dlg(services, {"a@x.org", "b@x.org"}, "/snd/new.wav", "", false, nullptr);
    EXPECT_EQ(dlg.windowTitle(), "Corvy - New Mail");
    auto* list = dlg.findChild<QListWidget*>("lstAccounts");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(dlg.Selected(), "a@x.org");
    list->setCurrentRow(1);
    EXPECT_EQ(dlg.Selected(), "b@x.org");
    EXPECT_FALSE(dlg.findChild<QPushButton*>("cmdClient")->isEnabled());
    EXPECT_TRUE(services.sounds.empty());
    dlg.show();
    dlg.hide();
    dlg.show();
    EXPECT_EQ(services.sounds, std::vector<std::string>{"/snd/new.wav"});
    EXPECT_FALSE(dlg.HangUpTimer().isActive());
    dlg.OnYes();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(NewMailDlg, ClientStartsProgramOrSaysItCannot) {
    FakeServices services;
    services.runWorks = false;
    CNewMailDlg dlg(services, {"a"}, "", "mailer", false, nullptr);
    dlg.show();
    EXPECT_TRUE(services.sounds.empty());  // no sound file: silent
    EXPECT_TRUE(dlg.findChild<QPushButton*>("cmdClient")->isEnabled());
    dlg.OnClient();
    ASSERT_EQ(services.boxes.size(), 1u);
    EXPECT_EQ(services.boxes[0].text, "Could not start email program!");
    EXPECT_TRUE(dlg.isVisible());
    services.runWorks = true;
    dlg.OnClient();
    EXPECT_EQ(services.commands.size(), 2u);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST(NewMailDlg, DialedConnectionHungUpAfterTwoMinutesWindowStays) {
    FakeServices services;
    int hangUps = 0;
    CNewMailDlg dlg(services, {"a"}, "", "", true, [&] { ++hangUps; });
    dlg.show();
    ASSERT_TRUE(dlg.HangUpTimer().isActive());
    EXPECT_EQ(dlg.HangUpTimer().interval(), 120000);
    dlg.HangUpTimer().setInterval(1);  // two minutes are not waited for
    dlg.HangUpTimer().start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return hangUps == 1; }, 5000));
    EXPECT_TRUE(dlg.isVisible());
}

TEST(AboutDlg, TextsAndFailureBoxes) {
    FakeServices services;
    CAboutDlg dlg(services);
    EXPECT_EQ(dlg.windowTitle(), "Corvy - About");
    EXPECT_EQ(dlg.findChild<QLabel*>("lblVersion")->text(), "Version 3.1a");
    dlg.OnWebPage();
    dlg.OnMail();
    EXPECT_EQ(services.opened.size(), 2u);
    EXPECT_TRUE(services.boxes.empty());
    services.openWorks = false;
    dlg.OnWebPage();
    dlg.OnMail();
    ASSERT_EQ(services.boxes.size(), 2u);
    EXPECT_EQ(services.boxes[0].text, "Could not open your Web Browser");
    EXPECT_EQ(services.boxes[1].text, "Could not open your Email Program");
}

TEST(TrayImages, FiveDistinctImages) {
    std::vector<QImage> images;
    for (TrayImage i : {TrayImage::Idle, TrayImage::Checking, TrayImage::NewMail,
                        TrayImage::Failure, TrayImage::Dialing}) {
        const QIcon icon = DrawTrayImage(i);
        ASSERT_FALSE(icon.isNull());
        images.push_back(icon.pixmap(16, 16).toImage());
    }
    for (std::size_t a = 0; a < images.size(); ++a) {
        for (std::size_t b = a + 1; b < images.size(); ++b) {
            EXPECT_NE(images[a], images[b]) << a << " " << b;
        }
    }
}
