#pragma once
// State shared by every window of the voice-mail program, made during the
// main window's start-up and alive until it unloads.

#include <QString>
#include <QStringList>

#include "startup/language.h"

namespace murmel {

struct Globals {
    TranslationTable Translations;
    // The relay server as it was at start-up; the options window shows it.
    QString ServerCopy;
    // Display names of the five address-book kinds, in kind order.
    QStringList BookKindLabels;

    QString T(std::string_view id) const { return Translations.T(id); }
};

}  // namespace murmel
