#include "testcontainer/progids.h"

#include <algorithm>
#include <string>

#include "registry/registry.h"

namespace testcontainer {

using vantry::registry::Hive;

QStringList RegisteredProgIds(const vantry::registry::Store& store) {
    QStringList ids;
    for (const std::string& key : store.SubKeys(Hive::ClassesRoot, "")) {
        const QString name = QString::fromStdString(key);
        if (name.compare(QStringLiteral("CLSID"), Qt::CaseInsensitive) == 0 ||
            name.compare(QStringLiteral("TypeLib"), Qt::CaseInsensitive) == 0 ||
            name.compare(QStringLiteral("Interface"), Qt::CaseInsensitive) == 0) {
            continue;
        }
        if (store.KeyExists(Hive::ClassesRoot, key + "\\CLSID") ||
            store.KeyExists(Hive::ClassesRoot, key + "\\CurVer")) {
            ids << name;
        }
    }
    std::sort(ids.begin(), ids.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return ids;
}

}  // namespace testcontainer
