#include "ads/ad_service.h"

#include <QDir>

#include <limits>

#include "shell/frm_mm.h"
#include "shell/shell.h"
#include "startup/utilities.h"

namespace murmel {

namespace {

// HowLong times 1000 must fit the timer's 16-bit interval.
constexpr int kLongestShowSeconds = 32;

}  // namespace

AdService::AdService(frmMM& form, QString downloader)
    : form_(form), downloader_(std::move(downloader)) {}

AdService::~AdService() {
    delete adsWindow_.data();
}

void AdService::Attach() {
    form_.AttachAds(*this);
    QObject::connect(form_.picAd(), &GifPlace::Click, &form_, [this] { picAd_Click(); });
}

QString AdService::ListPath() const {
    return form_.AppPath() + QStringLiteral("/ad/ads.txt");
}

QString AdService::PicturePath(const cAds& ad) const {
    return form_.AppPath() + QStringLiteral("/ad/") + ad.GifUrl;
}

void AdService::m_LoadAds() {
    ads_ = LoadAdListFile(ListPath());
}

void AdService::m_SaveAds() {
    QDir().mkpath(form_.AppPath() + QStringLiteral("/ad"));
    SaveAdListFile(ListPath(), ads_);  // a failure keeps the old file
}

void AdService::m_CheckForAds() {
    if (!adsWindow_) {
        adsWindow_ = new frmAds(*this);
        adsWindow_->Form_Load();
    }
    adsWindow_->GetAds();
}

void AdService::m_DownloadAd(const QString& name) {
    // The list only holds plain names; the check stays beside the start.
    if (IsPlainAdFileName(name) && form_.services().shell) {
        form_.services().shell->WinExec(downloader_, {name});
    }
}

bool AdService::Showable(const cAds& ad) const {
    return ad.HowLong >= 1 && ad.HowLong <= kLongestShowSeconds && FileExists(PicturePath(ad));
}

void AdService::m_RotateAds() {
    if (form_.m_Status.compare(kStatusInitializing, Qt::CaseInsensitive) == 0 ||
        form_.isVisible()) {
        ShowNext();
    } else {
        Prefetch();
    }
}

void AdService::ShowNext() {
    const int count = ads_.Count();
    // The next ad with a picture to show; with none, the picture on show stays.
    int position = index_;
    bool found = false;
    for (int tries = 0; tries < count && !found; ++tries) {
        position = position >= count ? 1 : position + 1;
        found = Showable(ads_.At(position));
    }
    if (!found) {
        return;
    }
    index_ = position;
    cAds& ad = ads_.At(index_);
    if (ad.HowManyTimes > std::numeric_limits<int32_t>::min()) {
        --ad.HowManyTimes;
    }
    GifPlace* picAd = form_.picAd();
    if (ad.GotoUrl.compare(picAd->Tag(), Qt::CaseInsensitive) == 0) {
        return;  // already on show
    }
    form_.tmrAdvertise()->setInterval(ad.HowLong * 1000);
    picAd->ReadGIF(PicturePath(ad));
    picAd->SetToolTipText(ad.Description);
    picAd->SetTag(ad.GotoUrl);
    if (ad.HowManyTimes == 0 && count > 1) {
        ads_.RemoveAt(index_);
        index_ = std::clamp(index_ - 1, 1, ads_.Count());
    }
}

void AdService::Prefetch() {
    for (const cAds& ad : ads_.ads()) {
        if (!FileExists(PicturePath(ad))) {
            m_DownloadAd(ad.GifUrl);
            return;
        }
    }
}

void AdService::picAd_Click() {
    if (form_.PlaySoundsEnabled()) {
        form_.PlaySound(QStringLiteral("click.wav"));
    }
    if (form_.services().shell) {
        vantry::shell::OpenUrl(*form_.services().shell, form_.picAd()->Tag(), form_.AppPath());
    }
}

QString AdService::ConnectTo() const {
    return form_.Settings() ? form_.Settings()->ConnectTo() : QString();
}

QString AdService::LastAdUpdate() const {
    return form_.Settings() ? form_.Settings()->LastAdUpdate() : QString();
}

void AdService::SetLastAdUpdate(const QString& value) {
    if (form_.Settings()) {
        form_.Settings()->setLastAdUpdate(value);
    }
}

void AdService::m_EndCurrentAds() {
    EndCurrentAds(ads_);
}

void AdService::m_LoadNewAd(const QByteArray& line) {
    MergeAdLine(ads_, line);
}

void AdService::AdsMerged() {
    m_SaveAds();
}

}  // namespace murmel
