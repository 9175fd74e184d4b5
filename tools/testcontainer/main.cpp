// Hosts a registered control by ProgID so a person can try it:
//   testcontainer [ProgID]
#include <QApplication>
#include <QStringList>

#include "testcontainer/container_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("testcontainer"));
    testcontainer::ContainerWindow window;
    window.show();
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        window.OpenControl(args.at(1));
    }
    return app.exec();
}
