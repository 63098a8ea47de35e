#include "IniFile.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(IniDocument, NamesIgnoreCaseAndValuesKeepTheirBlanks) {
    const IniDocument ini = IniDocument::Parse(
        "; comment\r\n[Known]\r\n  QMonitor = 0 \r\n# other comment\r\n[known]\r\nNum=7\r\n"
        "Name=\t \r\n");
    EXPECT_EQ(ini.Value("KNOWN", "qmonitor"), " 0 ") << "the line end goes, the blanks stay";
    EXPECT_EQ(ini.Value("Known", "Num"), "7");
    EXPECT_EQ(ini.Value("Known", "Name"), "\t ");
    EXPECT_EQ(ini.Sections().size(), 1u) << "a repeated section is the same section";
    EXPECT_FALSE(ini.Value("Known", "Missing").has_value());
    EXPECT_TRUE(ini.MalformedLines().empty());
}

TEST(IniDocument, BlanksAroundValuesSurviveAWriteAndARead) {
    for (IniEscapes escapes : {IniEscapes::Backslash, IniEscapes::None}) {
        IniDocument ini(escapes);
        ini.SetValue("General", "Logfile", "   ");
        ini.SetValue("General", "Mailer", " /usr/bin/mail client ");
        const IniDocument again = IniDocument::Parse(ini.Serialize(), escapes);
        EXPECT_EQ(again.Value("General", "Logfile"), "   ");
        EXPECT_EQ(again.Value("General", "Mailer"), " /usr/bin/mail client ");
    }
}

TEST(IniDocument, MalformedLinesAreSkippedAndReported) {
    const IniDocument ini =
        IniDocument::Parse("orphan=1\n[A]\ngarbage line\n=novalue\nKey=Value=With=Equals\n");
    EXPECT_EQ(ini.Value("A", "Key"), "Value=With=Equals");
    ASSERT_EQ(ini.MalformedLines().size(), 3u);
    EXPECT_EQ(ini.MalformedLines()[0], (std::pair<int, std::string>{1, "orphan=1"}));
    EXPECT_EQ(ini.MalformedLines()[1].first, 3);
}

TEST(IniDocument, SetValueUpdatesInPlaceAndSerializes) {
    IniDocument ini = IniDocument::Parse("[A]\nx=1\ny=2\n");
    ini.SetValue("a", "X", "10");
    ini.SetValue("B", "z", "3");
    EXPECT_EQ(ini.Serialize(), "[A]\nx=10\ny=2\n\n[B]\nz=3\n");
    EXPECT_TRUE(ini.RemoveKey("A", "Y"));
    EXPECT_TRUE(ini.RemoveSection("b"));
    EXPECT_EQ(ini.Serialize(), "[A]\nx=10\n");
}

TEST(IniDocument, EscapesKeepEveryValueOnOneLine) {
    IniDocument escaped(IniEscapes::Backslash);
    escaped.SetValue("S", "k", "a\r\nb\\c\\n");
    const std::string text = escaped.Serialize();
    EXPECT_EQ(text, "[S]\nk=a\\r\\nb\\\\c\\\\n\n");
    EXPECT_EQ(IniDocument::Parse(text, IniEscapes::Backslash).Value("S", "k"), "a\r\nb\\c\\n");

    IniDocument plain;
    plain.SetValue("S", "path", "C:\\new\r\nline");
    EXPECT_EQ(plain.Serialize(), "[S]\npath=C:\\new  line\n");
    EXPECT_EQ(IniDocument::Parse("[S]\npath=C:\\new\n").Value("S", "path"), "C:\\new");
}

TEST(ParseIniInteger, DecimalHexAndRubbish) {
    struct Case {
        const char* text;
        std::optional<long long> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"100", 100},
        {" 42 ", 42},
        {"-7", -7},
        {"0x1F", 31},
        {"0X10", 16},
        {"-0x10", -16},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"12abc", std::nullopt},
        {"0x", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseIniInteger(c.text), c.value) << c.text;
    EXPECT_TRUE(ParseIniBool("2", false));
    EXPECT_FALSE(ParseIniBool("0x0", true));
    EXPECT_TRUE(ParseIniBool("yes", true));
    EXPECT_FALSE(ParseIniBool("yes", false));
}

}  // namespace
}  // namespace kelvane
