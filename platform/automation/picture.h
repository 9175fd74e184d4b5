#pragma once
// Picture objects: an image handed across a dispatch boundary (a method
// that returns a picture, a property of picture type). The picture owns its
// image; the host reads it through IPicture, or late-bound through the
// usual picture members Handle (0), Type (3), Width (4) and Height (5),
// sizes in HIMETRIC.

#include <QImage>
#include <memory>

#include "automation/control.h"
#include "automation/dispatch.h"

namespace vantry::automation {

class IPicture : public virtual Object {
public:
    enum Type : int16_t { kNone = 0, kBitmap = 1 };
    virtual int16_t PictureType() const = 0;
    // Size in HIMETRIC.
    virtual Size Extent() const = 0;
    virtual QImage Image() const = 0;
};

// A bitmap picture owning a copy of its image.
class Picture : public IPicture, public TableDispatch<Picture> {
public:
    explicit Picture(QImage image) : image_(std::move(image)) {}
    static std::shared_ptr<Picture> Make(QImage image) {
        return std::make_shared<Picture>(std::move(image));
    }

    int16_t PictureType() const override { return image_.isNull() ? kNone : kBitmap; }
    Size Extent() const override;
    QImage Image() const override { return image_; }

private:
    friend class TableDispatch<Picture>;

    int32_t Handle() const;
    int16_t TypeValue() const { return PictureType(); }
    int32_t Width() const { return Extent().cx; }
    int32_t Height() const { return Extent().cy; }
    static const DispatchTable<Picture>& Table();

    QImage image_;
};

}  // namespace vantry::automation
