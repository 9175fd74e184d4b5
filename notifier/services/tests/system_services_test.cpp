// The desktop's message box: server lines are shown as they are, never
// rendered as markup.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>

#include "services/notifier_services.h"
#include "services/testing/modal_answer.h"

using namespace corvy;

TEST(SystemServices, MessageBoxShowsOutsideTextAsPlainText) {
    auto services = CreateSystemServices();
    Qt::TextFormat format = Qt::AutoText;
    QString shown;
    const std::string line = "-ERR <h1>Your account is locked</h1><a href=\"http://x\">log in</a>";
    EXPECT_TRUE(corvy::testing::AnswerModal<QMessageBox>(
        [&] {
            services->MessageBox(nullptr, line + "\nacct", "Corvy", BoxIcon::Exclamation,
                                 BoxButtons::Ok);
        },
        [&](QMessageBox& box) {
            format = box.textFormat();
            shown = box.text();
            box.accept();
        }));
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shown.toStdString(), line + "\nacct");
}
