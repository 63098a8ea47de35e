#include "MailProgramPath.h"

#include <gtest/gtest.h>

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
