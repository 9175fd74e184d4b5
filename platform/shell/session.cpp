#include "shell/session.h"

namespace vantry::shell {

bool IsWaylandPlatform(const QString& platformName) {
    return platformName.startsWith(QLatin1String("wayland"), Qt::CaseInsensitive);
}

}  // namespace vantry::shell
