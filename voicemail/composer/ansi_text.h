#pragma once
// Text of the outbox item in the Windows code page of the user's locale, the
// single-byte (or, for East Asian locales, double-byte) form the relay decodes
// by the item's X-Language.

#include <QByteArray>
#include <QString>

namespace murmel {

// The Windows code page of an 8-hex-digit locale ("00000409" -> 1252); 1252
// for an empty or unknown one.
int CodePageForLocale(const QString& locale);

// text in that code page; a character the code page lacks becomes '?'.
QByteArray EncodeAnsi(const QString& text, int codePage);

}  // namespace murmel
