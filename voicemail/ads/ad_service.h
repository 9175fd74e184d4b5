#pragma once
// The main window's ads: the list loaded from and saved to ad/ads.txt, the
// download of a new list through frmAds, the rotation in picAd on every
// advertisement timer tick, the picture downloader started while the window
// sits in the tray, and the click on an ad.
//
//   AdService ads(form, binFolder + "/getad");
//   ads.Attach();   // the window loads, rotates and saves these ads

#include <QPointer>
#include <QString>

#include "ads/ad_list.h"
#include "ads/frm_ads.h"
#include "shell/frm_mm.h"

namespace murmel {

class AdService : public AdsHost, public frmMMAds {
public:
    // `downloader`: the picture downloader program, started with one picture name.
    AdService(frmMM& form, QString downloader);
    ~AdService() override;
    AdService(const AdService&) = delete;
    AdService& operator=(const AdService&) = delete;

    // Gives the window these ads, and the ad picture's clicks to picAd_Click.
    void Attach();

    // frmMMAds
    void m_LoadAds() override;
    void m_SaveAds() override;
    void m_CheckForAds() override;
    // The advertisement timer's step once the window is not terminating:
    // rotate while starting up or visible, fetch one missing picture while hidden.
    void m_RotateAds() override;

    void m_DownloadAd(const QString& name);
    void picAd_Click();

    // AdsHost
    QString ConnectTo() const override;
    QString LastAdUpdate() const override;
    void SetLastAdUpdate(const QString& value) override;
    void m_EndCurrentAds() override;
    void m_LoadNewAd(const QByteArray& line) override;
    void AdsMerged() override;

    AdList& ads() { return ads_; }
    int rotationIndex() const { return index_; }
    frmAds* adsWindow() const { return adsWindow_; }

private:
    QString ListPath() const;
    QString PicturePath(const cAds& ad) const;
    bool Showable(const cAds& ad) const;
    void ShowNext();
    void Prefetch();

    frmMM& form_;
    QString downloader_;
    AdList ads_;
    int index_ = 0;  // 1-based position of the ad last chosen
    QPointer<frmAds> adsWindow_;
};

}  // namespace murmel
