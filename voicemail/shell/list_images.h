#pragma once
// The images of the program's list views: "checked" marks a chosen row,
// "none" the row that says no book could be read.

#include <QIcon>

namespace murmel {

QIcon CheckedListImage();
QIcon NoneListImage();

}  // namespace murmel
