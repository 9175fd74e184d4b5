// Hosts a registered control by ProgID so a person can try it.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Test Container"));
    window.show();
    return app.exec();
}
