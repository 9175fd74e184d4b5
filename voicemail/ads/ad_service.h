#pragma once
// The main window's ads: the list loaded from and saved to ad/ads.txt, the
// download of a new list through frmAds, the rotation in picAd on every
// advertisement timer tick, the picture downloader started while the window
// sits in the tray, and the click on an ad.
//
//   AdService ads(form, binFolder + "/getad");
//   ads.Attach();   // fills the window's m_LoadAds, m_SaveAds, m_RotateAds, ...

#include <QPointer>
#include <QString>

#include "ads/ad_list.h"
#include "ads/frm_ads.h"

namespace murmel {

class frmMM;

class AdService : public AdsHost {
public:
    // `downloader`: the picture downloader program, started with one picture name.
    AdService(frmMM& form, QString downloader);
    ~AdService() override;
    AdService(const AdService&) = delete;
    AdService& operator=(const AdService&) = delete;

    // Puts this service's routines into the window.
    void Attach();

    void m_LoadAds();
    void m_SaveAds();
    void m_CheckForAds();
    void m_DownloadAd(const QString& name);
    // The advertisement timer's step once the window is not terminating:
    // rotate while starting up or visible, fetch one missing picture while hidden.
    void m_RotateAds();
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
