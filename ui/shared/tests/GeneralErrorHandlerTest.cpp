#include "GeneralErrorHandler.h"
#include "QtMessageBoxes.h"
#include "RecordingMessageBoxes.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {
namespace {

using testsupport::RecordingMessageBoxes;

TEST(GeneralErrorHandler, ErrorEscapingAnActionIsShownWithItsText) {
    struct Case {
        const char* name;
        std::function<void()> action;
        bool finished;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"no error", [] {}, true, {}},
        {"runtime error",
         [] { throw std::runtime_error("Operation has been canceled"); },
         false,
         {"error: Operation has been canceled"}},
        {"logic error",
         [] { throw std::out_of_range("Mailbox 13 does not exist"); },
         false,
         {"error: Mailbox 13 does not exist"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingMessageBoxes boxes;
        EXPECT_EQ(RunGuarded(boxes, c.action), c.finished);
        EXPECT_EQ(boxes.shown, c.shown);
    }
}

// What a real box showed, then closed with the button `answer`.
struct ShownBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
};

void AnswerNextBox(ShownBox& shown, QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, [&shown, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        shown = {box->windowTitle(), box->text(), box->icon(), box->textFormat()};
        if (QAbstractButton* button = box->button(answer))
            button->click();
        else
            box->close();
    });
}

TEST(GeneralErrorHandler, RealBoxCarriesProgramTitleAndErrorText) {
    ShownBox shown;
    AnswerNextBox(shown, QMessageBox::Ok);
    EXPECT_FALSE(RunGuarded(nullptr, [] { throw std::runtime_error("Timed out"); }));
    EXPECT_EQ(shown.title, "Kelvane");
    EXPECT_EQ(shown.text, "Timed out");
    EXPECT_EQ(shown.icon, QMessageBox::Critical);
}

TEST(QtMessageBoxes, EachKindShowsItsIconAndConfirmReportsTheAnswer) {
    QtMessageBoxes boxes;
    struct Case {
        const char* name;
        QMessageBox::Icon icon;
        std::function<void()> show;
    };
    const Case cases[] = {
        {"warning", QMessageBox::Warning, [&] { boxes.Warning("Careful"); }},
        {"information", QMessageBox::Information, [&] { boxes.Information("Careful"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShownBox shown;
        AnswerNextBox(shown, QMessageBox::Ok);
        c.show();
        EXPECT_EQ(shown.title, "Kelvane");
        EXPECT_EQ(shown.text, "Careful");
        EXPECT_EQ(shown.icon, c.icon);
    }

    for (const auto& [answer, expected] :
         {std::pair{QMessageBox::Yes, true}, std::pair{QMessageBox::No, false}}) {
        ShownBox shown;
        AnswerNextBox(shown, answer);
        EXPECT_EQ(boxes.Confirm("Delete 3 messages?"), expected);
        EXPECT_EQ(shown.text, "Delete 3 messages?");
        EXPECT_EQ(shown.icon, QMessageBox::Question);
    }
}

// A server's reply in a box: no control reaches the window, and markup is shown as written.
TEST(QtMessageBoxes, OutsideTextIsShownSafelyAsPlainText) {
    QtMessageBoxes boxes;
    const std::string reply = "-ERR \x1b[2J<b>gone</b>\r\nnow\xC2\x9B";
    // A line break stays one; every other control is a blank.
    const QString shownText = "-ERR  [2J<b>gone</b>\nnow ";
    struct Case {
        const char* name;
        std::function<void()> show;
    };
    const Case cases[] = {
        {"error", [&] { boxes.Error(reply); }},
        {"warning", [&] { boxes.Warning(reply); }},
        {"information", [&] { boxes.Information(reply); }},
        {"confirm", [&] { boxes.Confirm(reply); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShownBox shown;
        AnswerNextBox(shown, QMessageBox::Ok);
        c.show();
        EXPECT_EQ(shown.text, shownText);
        EXPECT_EQ(shown.format, Qt::PlainText);
    }
}

}  // namespace
}  // namespace kelvane
