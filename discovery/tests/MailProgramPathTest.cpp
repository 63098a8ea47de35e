#include "MailProgramPath.h"

#include <gtest/gtest.h>

#include <string_view>
#include <utility>

#include "CaseName.h"
#include "DiscoveryTree.h"

namespace kelvane {
namespace {

std::string MailtoList(const std::string& ids) {
    return "[Default Applications]\nx-scheme-handler/mailto=" + ids + "\n";
}

std::string DesktopFile(const std::string& exec) {
    return "[Desktop Entry]\nType=Application\nName=Mail\nExec=" + exec + "\n";
}

class GetMailPathTest : public ::testing::Test {
  protected:
    testsupport::DiscoveryTree tree_;
};

TEST_F(GetMailPathTest, TheUsersDefaultHandlerIsFoundOnPath) {
    tree_.Write("home/.config/mimeapps.list", MailtoList("thunderbird.desktop;"));
    tree_.Write("usr/share/applications/thunderbird.desktop", DesktopFile("thunderbird %u"));
    tree_.Program("bin/thunderbird");
    EXPECT_EQ(GetMailPath(tree_.env), tree_.At("bin/thunderbird"));
}

TEST_F(GetMailPathTest, NothingWithoutAList) {
    tree_.Write("usr/share/applications/thunderbird.desktop", DesktopFile("thunderbird %u"));
    tree_.Program("bin/thunderbird");
    EXPECT_EQ(GetMailPath(tree_.env), "");
}

TEST_F(GetMailPathTest, ListsCountUserFirstAndDesktopSpecificFirst) {
    for (const char* program : {"thunderbird", "evolution", "geary", "kmail"}) {
        tree_.Write(std::string("usr/share/applications/") + program + ".desktop",
                    DesktopFile(program));
        tree_.Program(std::string("usr/bin/") + program);
    }
    tree_.Write("usr/share/applications/mimeapps.list", MailtoList("kmail.desktop"));
    EXPECT_EQ(GetMailPath(tree_.env), tree_.At("usr/bin/kmail"));

    tree_.Write("etc/xdg/mimeapps.list", MailtoList("evolution.desktop"));
    EXPECT_EQ(GetMailPath(tree_.env), tree_.At("usr/bin/evolution"));

    tree_.Write("home/.config/mimeapps.list", MailtoList("thunderbird.desktop"));
    EXPECT_EQ(GetMailPath(tree_.env), tree_.At("usr/bin/thunderbird"));

    tree_.Write("home/.config/gnome-mimeapps.list", MailtoList("geary.desktop"));
    EXPECT_EQ(GetMailPath(tree_.env), tree_.At("usr/bin/thunderbird"))
        << "a desktop's own list counts only on that desktop";
    tree_.env.desktops = {"gnome"};
    EXPECT_EQ(GetMailPath(tree_.env), tree_.At("usr/bin/geary"));
}

TEST_F(GetMailPathTest, HandlersThatCannotRunGiveWayToTheNext) {
    tree_.Write("home/.config/mimeapps.list",
                MailtoList("gone.desktop;noprogram.desktop;hidden.desktop;sylpheed.desktop"));
    tree_.Write("usr/share/applications/noprogram.desktop", DesktopFile("notinstalled %u"));
    tree_.Write("home/.local/share/applications/hidden.desktop", "[Desktop Entry]\nHidden=true\n");
    // The user's hidden entry hides the system's entry of the same id.
    tree_.Write("usr/share/applications/hidden.desktop", DesktopFile("hidden"));
    tree_.Program("bin/hidden");
    tree_.Write("usr/share/applications/sylpheed.desktop", DesktopFile("sylpheed"));
    tree_.Program("usr/bin/sylpheed");
    EXPECT_EQ(GetMailPath(tree_.env), tree_.At("usr/bin/sylpheed"));
}

TEST_F(GetMailPathTest, LaterListsAreAskedWhenAnEarlierOnesHandlersAreMissing) {
    tree_.Write("home/.config/mimeapps.list", MailtoList("gone.desktop"));
    tree_.Write("usr/share/applications/mimeapps.list", MailtoList("evolution.desktop"));
    tree_.Write("usr/share/applications/evolution.desktop", DesktopFile("evolution %U"));
    tree_.Program("usr/bin/evolution");
    EXPECT_EQ(GetMailPath(tree_.env), tree_.At("usr/bin/evolution"));
}

TEST_F(GetMailPathTest, AnIdWithADashMayNameASubfolder) {
    tree_.Write("home/.config/mimeapps.list", MailtoList("kde4-kmail.desktop"));
    tree_.Write("usr/share/applications/kde4/kmail.desktop", DesktopFile("kmail %u"));
    tree_.Program("usr/bin/kmail");
    EXPECT_EQ(GetMailPath(tree_.env), tree_.At("usr/bin/kmail"));
}

TEST_F(GetMailPathTest, AnAbsoluteProgramMustBeExecutable) {
    const std::string program = tree_.Program("opt/mail/bin/mail-reader");
    tree_.Write("home/.config/mimeapps.list", MailtoList("reader.desktop"));
    tree_.Write("usr/share/applications/reader.desktop", DesktopFile(program + " %u"));
    EXPECT_EQ(GetMailPath(tree_.env), program);

    ::chmod(program.c_str(), 0644);
    EXPECT_EQ(GetMailPath(tree_.env), "");
}

TEST_F(GetMailPathTest, AnIdThatLeadsOutOfTheApplicationsFolderIsIgnored) {
    tree_.Write("home/.config/mimeapps.list",
                MailtoList("../../../evil.desktop;.hidden.desktop;evil"));
    tree_.Write("evil.desktop", DesktopFile("evil"));
    tree_.Write("usr/share/applications/.hidden.desktop", DesktopFile("evil"));
    tree_.Write("usr/share/applications/evil", DesktopFile("evil"));
    tree_.Program("bin/evil");
    EXPECT_EQ(GetMailPath(tree_.env), "");
}

struct StoredCommandCase {
    const char* name;
    const char* exec;
    // "{bin}" and "{opt}" stand for the tree's folders; empty: no mail program found.
    const char* stored;
};

class StoredCommandTest : public ::testing::TestWithParam<StoredCommandCase> {
  protected:
    std::string InTree(std::string text) const {
        for (const auto& [mark, folder] : {std::pair{"{bin}", "bin"}, std::pair{"{opt}", "opt"}}) {
            for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark)) {
                text.replace(at, std::string_view(mark).size(), tree_.At(folder));
            }
        }
        return text;
    }

    testsupport::DiscoveryTree tree_;
};

// The whole Exec line is kept, so that a launcher with arguments starts the mail program itself.
TEST_P(StoredCommandTest, KeepsTheWholeExecLineLessItsFieldCodes) {
    for (const char* program :
         {"bin/thunderbird", "bin/flatpak", "bin/env", "opt/Mail Reader/reader"}) {
        tree_.Program(program);
    }
    tree_.Write("home/.config/mimeapps.list", MailtoList("mail.desktop"));
    tree_.Write("usr/share/applications/mail.desktop", DesktopFile(InTree(GetParam().exec)));
    EXPECT_EQ(GetMailPath(tree_.env), InTree(GetParam().stored));
}

INSTANTIATE_TEST_SUITE_P(
    ExecLines, StoredCommandTest,
    ::testing::Values(
        StoredCommandCase{"lone-program-is-its-path", "thunderbird %u", "{bin}/thunderbird"},
        StoredCommandCase{"flatpak", "flatpak run org.mozilla.Thunderbird %u",
                          "{bin}/flatpak run org.mozilla.Thunderbird"},
        StoredCommandCase{"flatpak-export",
                          "flatpak run --branch=stable --command=thunderbird "
                          "org.mozilla.Thunderbird @@u %u @@",
                          "{bin}/flatpak run --branch=stable --command=thunderbird "
                          "org.mozilla.Thunderbird @@u @@"},
        StoredCommandCase{"env-wrapper", "env FOO=1 thunderbird %u",
                          "{bin}/env FOO=1 {bin}/thunderbird"},
        StoredCommandCase{"env-wrapper-of-a-missing-program", "env FOO=1 nomail %u", ""},
        StoredCommandCase{"quoted-path-alone", "\"{opt}/Mail Reader/reader\" %U",
                          "{opt}/Mail Reader/reader"},
        StoredCommandCase{"quoted-path-with-arguments",
                          "\"{opt}/Mail Reader/reader\" --compose --subject=\"50%% off\" %u",
                          "\"{opt}/Mail Reader/reader\" --compose \"--subject=50% off\""},
        StoredCommandCase{"escapes-of-the-desktop-file", "thunderbird\\s-P\\sdefault %u",
                          "{bin}/thunderbird -P default"},
        StoredCommandCase{"unknown-field-code", "thunderbird %z", ""}),
    testsupport::ParamName());

TEST(ResolveProgram, SearchesPathForExecutablesOnly) {
    testsupport::DiscoveryTree tree;
    tree.Write("bin/mail", "not executable");
    tree.Program("usr/bin/mail");
    EXPECT_EQ(ResolveProgram("mail", tree.env.programPath), tree.At("usr/bin/mail"));
    EXPECT_EQ(ResolveProgram("bin/mail", tree.env.programPath), "")
        << "a relative path with a folder is not looked up";
    EXPECT_EQ(ResolveProgram("absent", tree.env.programPath), "");
    EXPECT_EQ(ResolveProgram("", tree.env.programPath), "");
    EXPECT_EQ(ResolveProgram("bin", {tree.At("")}), "") << "a folder is no program";
}

}  // namespace
}  // namespace kelvane
