#pragma once
// The buttons' hover look: bold while the mouse is over a button, normal
// again when it leaves. Nothing else happens on hover.

#include <QList>

class QAbstractButton;

namespace murmel {

void InstallHoverLook(const QList<QAbstractButton*>& buttons);

}  // namespace murmel
