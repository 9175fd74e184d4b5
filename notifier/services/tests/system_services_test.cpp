// The desktop's message box: server lines are shown as they are, never
// rendered as markup.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include "services/notifier_services.h"

using namespace corvy;

TEST(SystemServices, MessageBoxShowsOutsideTextAsPlainText) {
    auto services = CreateSystemServices();
    Qt::TextFormat format = Qt::AutoText;
    QString shown;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        format = box->textFormat();
        shown = box->text();
        box->accept();
    });
    probe.start(5);
    const std::string line = "-ERR <h1>Your account is locked</h1><a href=\"http://x\">log in</a>";
    services->MessageBox(nullptr, line + "\nacct", "Corvy", BoxIcon::Exclamation, BoxButtons::Ok);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shown.toStdString(), line + "\nacct");
}
