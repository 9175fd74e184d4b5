#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTest>

#include "ads/ad_service.h"
#include "audio/testing/fake_sound_player.h"
#include "automation/dispatch.h"
#include "control/plimova.h"
#include "scripted_peer.h"
#include "shell/frm_mm.h"
#include "shell/shell.h"
#include "shell/testing/fake_shell.h"
#include "test_env.h"

namespace murmel {
namespace {

namespace va = vantry::automation;

const QString kResources = QStringLiteral(MURMEL_RESOURCES_DIR);
const QString kDownloader = QStringLiteral("/opt/murmel/bin/getad");

// The main window with the real picture control in picAd, its ads attached,
// on a program folder holding the shipped language files and ad.
class Window {
public:
    Window() {
        appPath = QString::fromStdString(vantry::test::FreshDir("app").string());
        QDir().mkpath(appPath + "/lang");
        QDir().mkpath(appPath + "/ad");
        QFile::copy(kResources + "/lang/00000409.txt", appPath + "/lang/00000409.txt");
        services.shell = &shell;
        services.sound = &sound;
        services.appPath = appPath;
        services.createSettings = [] {
            auto settings = std::make_unique<MemorySettings>();
            settings->setMyEmail("me@example.org");
            return settings;
        };
    }
    // Writes ad/ads.txt and a picture for each name in `pictures`.
    void Ads(const QByteArray& list, const QStringList& pictures) {
        QFile file(appPath + "/ad/ads.txt");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(list);
        file.close();
        for (const QString& name : pictures) {
            Picture(name, kResources + "/ad/a0000.gif");
        }
    }
    void Picture(const QString& name, const QString& from) {
        QFile::remove(appPath + "/ad/" + name);
        QFile::copy(from, appPath + "/ad/" + name);
    }
    // Builds the window and runs its start-up.
    frmMM& Start() {
        form = std::make_unique<frmMM>(services);
        EXPECT_TRUE(form->picAd()->Host(std::make_shared<plimova::Plimova>()));
        ads = std::make_unique<AdService>(*form, kDownloader);
        ads->Attach();
        EXPECT_TRUE(form->Form_Load());
        return *form;
    }
    QString Target() const { return form->picAd()->Tag(); }
    QString Tip() const { return form->picAd()->widget()->toolTip(); }
    int PictureWidth() const {
        return va::GetProperty(*form->picAd()->dispatch(), "GIFWidth").ToInt16();
    }
    int Interval() { return form->tmrAdvertise()->interval(); }
    std::vector<QStringList> Downloads() const {
        std::vector<QStringList> started;
        for (const auto& call : shell.calls()) {
            if (call.what == "exec") {
                EXPECT_EQ(call.target, kDownloader);
                started.push_back(call.args);
            }
        }
        return started;
    }

    QString appPath;
    vantry::shell::FakeShell shell;
    vantry::audio::FakeSoundPlayer sound;
    frmMMServices services;
    std::unique_ptr<frmMM> form;
    std::unique_ptr<AdService> ads;
};

TEST(AdRotation, StartShowsTheShippedAdThenCountedAdsRunOutAndTheListIsSaved) {
    Window w;
    QFile shipped(kResources + "/ad/ads.txt");
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    w.Ads(shipped.readAll() + "a1\t4\t2\ta1.gif\thttps://one.example/\tOne\r\n", {"a1.gif"});
    ASSERT_TRUE(QFile::copy(kResources + "/ad/a0000.gif", w.appPath + "/ad/a0000.gif"));
    frmMM& form = w.Start();

    // Shown during start-up, before the window is.
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(w.Target(), "https://example.org/");
    EXPECT_EQ(w.Tip(), "Murmel voice mail");
    EXPECT_EQ(w.PictureWidth(), 234);
    EXPECT_EQ(w.Interval(), 10000);
    EXPECT_TRUE(form.tmrAdvertise()->isActive());

    form.show();
    form.tmrAdvertise_Timer();
    EXPECT_EQ(w.Target(), "https://one.example/");
    EXPECT_EQ(w.Tip(), "One");
    EXPECT_EQ(w.Interval(), 4000);
    form.tmrAdvertise_Timer();
    EXPECT_EQ(w.Target(), "https://example.org/");
    form.tmrAdvertise_Timer();  // the last showing of a1 removes it
    EXPECT_EQ(w.Target(), "https://one.example/");
    ASSERT_EQ(w.ads->ads().Count(), 1);
    EXPECT_EQ(w.ads->rotationIndex(), 1);
    form.tmrAdvertise_Timer();
    EXPECT_EQ(w.Target(), "https://example.org/");
    EXPECT_EQ(w.ads->ads().At(1).HowManyTimes, -3);  // unlimited stays unlimited
    EXPECT_TRUE(w.Downloads().empty());

    form.Unload(kUnloadCode);
    QFile saved(w.appPath + "/ad/ads.txt");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(),
              "a0000\t10\t-3\ta0000.gif\thttps://example.org/\tMurmel voice mail\r\n");
}

TEST(AdRotation, AFirstAdWithoutTargetCountsAsOnShow) {
    Window w;
    w.Ads("a1\t5\t0\ta1.gif\t\tNo target\r\n", {"a1.gif"});
    frmMM& form = w.Start();
    EXPECT_EQ(w.PictureWidth(), 0);
    EXPECT_EQ(w.Tip(), "");
    EXPECT_EQ(w.Interval(), 3000);
    EXPECT_EQ(w.ads->ads().At(1).HowManyTimes, -1);
    EXPECT_TRUE(form.tmrAdvertise()->isActive());
}

TEST(AdRotation, ASingleAdIsNeitherRemovedNorLoadedAgain) {
    Window w;
    w.Ads("a1\t5\t1\ta1.gif\thttps://one.example/\tOne\r\n", {"a1.gif"});
    frmMM& form = w.Start();
    form.show();
    EXPECT_EQ(w.PictureWidth(), 234);
    w.Picture("a1.gif", kResources + "/logo.gif");  // a reload would show its width
    for (int i = 0; i < 3; ++i) {
        form.tmrAdvertise_Timer();
    }
    ASSERT_EQ(w.ads->ads().Count(), 1);
    EXPECT_EQ(w.ads->ads().At(1).HowManyTimes, -3);
    EXPECT_EQ(w.PictureWidth(), 234);
}

TEST(AdRotation, MissingPicturesAreSkippedAndFetchedOneATimeWhileHidden) {
    Window w;
    w.Ads(
        "a1\t5\t0\ta1.gif\thttps://one.example/\tOne\r\n"
        "a2\t6\t0\ta2.gif\thttps://two.example/\tTwo\r\n"
        "a3\t7\t0\ta3.gif\thttps://three.example/\tThree\r\n",
        {"a2.gif"});
    frmMM& form = w.Start();
    form.show();
    EXPECT_EQ(w.Target(), "https://two.example/");
    form.tmrAdvertise_Timer();
    EXPECT_EQ(w.ads->rotationIndex(), 2);
    EXPECT_TRUE(w.Downloads().empty());

    form.hide();
    form.tmrAdvertise_Timer();
    form.tmrAdvertise_Timer();
    EXPECT_EQ(w.Downloads(), (std::vector<QStringList>{{"a1.gif"}, {"a1.gif"}}));
    w.Picture("a1.gif", kResources + "/ad/a0000.gif");
    form.tmrAdvertise_Timer();
    EXPECT_EQ(w.Downloads().back(), QStringList{"a3.gif"});
    EXPECT_EQ(w.Target(), "https://two.example/");  // nothing rotates while hidden
}

TEST(AdRotation, NothingNewWithoutAShowableAd) {
    Window w;
    w.Ads(
        "long\t40\t0\tlong.gif\thttps://long.example/\tToo long\r\n"
        "gone\t5\t0\tgone.gif\thttps://gone.example/\tNo picture\r\n",
        {"long.gif"});
    frmMM& form = w.Start();
    form.show();
    form.tmrAdvertise_Timer();
    EXPECT_EQ(w.Target(), "");
    EXPECT_EQ(w.Interval(), 3000);
    EXPECT_TRUE(form.tmrAdvertise()->isActive());
    EXPECT_EQ(w.ads->ads().At(1).HowManyTimes, 0);
}

TEST(AdRotation, AClickOpensOnlyAWebTarget) {
    Window w;
    w.Ads("a1\t5\t0\ta1.gif\thttps://one.example/\tOne\r\n", {"a1.gif"});
    frmMM& form = w.Start();
    form.Settings()->setPlaySounds("1");
    w.sound.clear();  // the start sound
    w.ads->picAd_Click();
    form.picAd()->SetTag("file:///etc/passwd");
    w.ads->picAd_Click();
    form.picAd()->SetTag("xterm -e sh");
    w.ads->picAd_Click();
    ASSERT_EQ(w.shell.calls().size(), 1u);
    EXPECT_EQ(w.shell.calls()[0].target, "https://one.example/");
    EXPECT_EQ(w.shell.calls()[0].args, QStringList{w.appPath});
    ASSERT_EQ(w.sound.played().size(), 3u);
    EXPECT_TRUE(w.sound.played()[0].path.endsWith("/sounds/click.wav"));
}

TEST(AdRotation, ACheckForAdsMergesTheAnswerAndSavesTheList) {
    const std::string ad = "a1\t5\t1\ta1.gif\thttps://one.example/\tOne";
    vantry::test::ScriptedPeer peer(vantry::test::AnswerRequest({vantry::test::PeerStep::Send(
        "HTTP/1.1 200 OK\r\nLast-Modified: Mon, 07 Dec 2026 20:00:00 GMT\r\n\r\n<BODY>\r\n" + ad +
        "\r\n</BODY>\r\n")}));
    Window w;
    frmMM& form = w.Start();
    form.Settings()->setConnectTo(QStringLiteral("http://127.0.0.1:%1").arg(peer.Port()));
    form.m_CheckForAds();
    ASSERT_NE(w.ads->adsWindow(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&w] { return w.ads->adsWindow() == nullptr; }));
    EXPECT_EQ(form.Settings()->LastAdUpdate(), "Mon, 07 Dec 2026 20:00:00 GMT");
    QFile saved(w.appPath + "/ad/ads.txt");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray::fromStdString(ad + "\r\n"));
}

}  // namespace
}  // namespace murmel
