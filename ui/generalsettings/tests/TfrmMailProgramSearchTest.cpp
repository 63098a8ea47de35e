#include "RecordingMessageBoxes.h"
#include "TempFolder.h"
#include "TfrmFileSearch.h"
#include "TfrmMailProgramSearch.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using testsupport::RecordingMessageBoxes;

template <typename T>
T* Child(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found) throw std::runtime_error(std::string("no widget named ") + name);
    return found;
}

class TfrmMailProgramSearchTest : public ::testing::Test {
  protected:
    TfrmMailProgramSearchTest() {
        window_.setChooseProgram([this](QWidget*) {
            ++chooserShown_;
            return chosen_;
        });
    }

    std::string Write(const std::string& relative) const {
        const fs::path path = fs::path(root_) / relative;
        fs::create_directories(path.parent_path());
        testsupport::WriteFileBytes(path.string(), "x");
        return path.string();
    }

    void Open() {
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }
    QListWidget* Programs() { return Child<QListWidget>(&window_, "lbMailPrograms"); }
    void Choose(const QString& caption) {
        const auto found = Programs()->findItems(caption, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        Programs()->setCurrentItem(found.front());
    }
    void Click(const char* name) {
        QTest::mouseClick(Child<QPushButton>(&window_, name), Qt::LeftButton);
    }

    // Clicks OK, and once the file search that it opens has ended, hands that window to `answer`.
    void OkAnsweringTheFileSearch(const std::function<void(TfrmFileSearch&)>& answer) {
        QTimer poll;
        bool answered = false;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* search = window_.findChild<TfrmFileSearch*>();
            if (answered || !search || !search->isVisible()) return;
            if (!Child<QPushButton>(search, "btStart")->isEnabled()) return;
            answered = true;
            answer(*search);
        });
        poll.start(10);
        Click("btOK");
        EXPECT_TRUE(answered) << "no file search was shown";
    }

    testsupport::TempFolder temp_;
    const std::string root_ = temp_.File("tree");
    RecordingMessageBoxes boxes_;
    std::string chosen_;
    int chooserShown_ = 0;
    TfrmMailProgramSearch window_{boxes_};
};

TEST_F(TfrmMailProgramSearchTest, ListsTheProgramsWithOtherSelected) {
    Open();
    EXPECT_EQ(window_.windowTitle(), "Search for mail program");
    QStringList labels;
    for (QLabel* label : window_.findChildren<QLabel*>()) labels << label->text();
    EXPECT_EQ(labels, (QStringList{"Search for mail program", "Select your mail program"}));

    QStringList entries;
    for (int i = 0; i < Programs()->count(); ++i) entries << Programs()->item(i)->text();
    EXPECT_EQ(entries, (QStringList{"Other", "Thunderbird", "Evolution", "KMail", "Claws Mail",
                                    "Geary", "Sylpheed"}));
    EXPECT_EQ(Programs()->currentItem()->text(), "Other");
    EXPECT_TRUE(Child<QPushButton>(&window_, "btOK")->isDefault());

    // Shown again, it starts from "Other" once more.
    Choose("Geary");
    Click("btCancel");
    Open();
    EXPECT_EQ(Programs()->currentItem()->text(), "Other");
}

TEST_F(TfrmMailProgramSearchTest, OtherTakesTheFileChosen) {
    for (const std::string chosen : {"/opt/mutt/bin/mutt", ""}) {
        SCOPED_TRACE(chosen);
        chosen_ = chosen;
        chooserShown_ = 0;
        Open();
        Click("btOK");
        EXPECT_EQ(chooserShown_, 1);
        EXPECT_EQ(window_.result(), QDialog::Accepted);
        EXPECT_FALSE(window_.isVisible());
        EXPECT_EQ(window_.selectedProgram(), chosen);
    }
    EXPECT_EQ(window_.findChild<TfrmFileSearch*>(), nullptr);
}

TEST_F(TfrmMailProgramSearchTest, ANamedProgramIsSearchedForByItsFile) {
    struct Case {
        const char* caption;
        const char* file;
        bool take;  // "Select" rather than closing the search window
        std::string result;
        std::vector<std::string> boxes;
    };
    const std::string thunderbird = Write("opt/thunderbird/thunderbird");
    const std::string claws = Write("usr/bin/claws-mail");
    Write("usr/bin/sylpheed");
    const Case cases[] = {
        {"Thunderbird", "thunderbird", true, thunderbird, {}},
        {"Claws Mail", "claws-mail", true, claws, {}},
        {"Geary",
         "geary",
         true,
         "",
         {"error: No files with the name of geary were found on Source: " + root_}},
        {"Sylpheed", "sylpheed", false, "", {}},
    };
    window_.setSearchRoot(root_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        boxes_.shown.clear();
        // An earlier result must not survive a search that takes nothing.
        chosen_ = "/earlier/choice";
        Open();
        Click("btOK");
        ASSERT_EQ(window_.selectedProgram(), chosen_);

        Open();
        Choose(c.caption);
        std::string sought, source;
        OkAnsweringTheFileSearch([&](TfrmFileSearch& search) {
            sought = search.fileName();
            source = search.source();
            if (c.take) {
                QTest::mouseClick(Child<QPushButton>(&search, "btClose"), Qt::LeftButton);
            } else {
                search.reject();
            }
        });
        EXPECT_EQ(sought, c.file);
        EXPECT_EQ(source, root_);
        EXPECT_EQ(window_.result(), QDialog::Accepted);
        EXPECT_EQ(window_.selectedProgram(), c.result);
        EXPECT_EQ(boxes_.shown, c.boxes);
        EXPECT_EQ(window_.findChild<TfrmFileSearch*>(), nullptr) << "the search window was kept";
    }
}

// Without a root of the test's own, the search starts at the top of the file system; it is
// closed at once, which stops the walk.
TEST_F(TfrmMailProgramSearchTest, TheFileSearchStartsAtTheTop) {
    Open();
    Choose("KMail");
    std::string source;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* search = window_.findChild<TfrmFileSearch*>();
        if (!source.empty() || !search || !search->isVisible()) return;
        source = search->source();
        search->reject();
    });
    poll.start(10);
    Click("btOK");
    EXPECT_EQ(source, "/");
    EXPECT_EQ(window_.result(), QDialog::Accepted);
    EXPECT_EQ(window_.selectedProgram(), "");
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(TfrmMailProgramSearchTest, CancelTakesNothing) {
    Open();
    Choose("Thunderbird");
    Click("btCancel");
    EXPECT_EQ(window_.result(), QDialog::Rejected);
    EXPECT_FALSE(window_.isVisible());
    EXPECT_EQ(window_.selectedProgram(), "");
    EXPECT_EQ(chooserShown_, 0);
    EXPECT_EQ(window_.findChild<TfrmFileSearch*>(), nullptr);
}

}  // namespace
}  // namespace kelvane
