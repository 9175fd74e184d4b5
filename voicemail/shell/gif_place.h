#pragma once
// Where an animated-picture control sits on a window (the logo, the ads).
// The control is called late-bound; until one is attached the calls do
// nothing, and ReadGIF reports that nothing was loaded.

#include <QObject>
#include <QString>
#include <QWidget>

#include <functional>

namespace murmel {

class GifPlace : public QObject {
    Q_OBJECT
public:
    // `place` is the widget the control fills; clicks on it raise Click.
    explicit GifPlace(QWidget* place);

    bool ReadGIF(const QString& path);
    void Play();
    void Stop();
    void SetFrame(int frame);

    // The container's extender properties the ads use.
    void SetToolTipText(const QString& text);
    QString Tag() const { return tag_; }
    void SetTag(const QString& tag) { tag_ = tag; }

    QWidget* widget() const { return place_; }

signals:
    void Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* place_;
    QString tag_;
};

}  // namespace murmel
