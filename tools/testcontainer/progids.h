#pragma once
// The ProgIDs a person can pick from: every key directly under
// HKEY_CLASSES_ROOT that names a class (has a CLSID subkey).

#include <QStringList>

namespace vantry::registry {
class Store;
}

namespace testcontainer {

// Sorted ignoring case; the CLSID, TypeLib and Interface trees are not ProgIDs.
QStringList RegisteredProgIds(const vantry::registry::Store& store);

}  // namespace testcontainer
