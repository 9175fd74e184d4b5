#include "shell/list_images.h"

#include <QApplication>
#include <QStyle>

namespace murmel {

namespace {

// The program's own image; the style's look-alike where the program's
// resources are not linked in (tools and tests).
QIcon Image(const char* path, QStyle::StandardPixmap fallback) {
    QIcon icon(QString::fromLatin1(path));
    if (icon.availableSizes().isEmpty()) {
        return QApplication::style()->standardIcon(fallback);
    }
    return icon;
}

}  // namespace

QIcon CheckedListImage() {
    return Image(":/murmel/icons/checked.png", QStyle::SP_DialogApplyButton);
}

QIcon NoneListImage() {
    return Image(":/murmel/icons/none.png", QStyle::SP_MessageBoxInformation);
}

}  // namespace murmel
