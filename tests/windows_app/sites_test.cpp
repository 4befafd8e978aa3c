// The program's site options: parsing, which addresses they give, when the bundled site starts,
// and the program's answer to --help, to a bad option and to an unknown argument.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <string>

#include "app/siteaddresses.h"
#include "platform/http/fetch.h"
#include "skinsite/skinsite.h"

namespace quelvo::app {
namespace {

struct ParseCase {
    const char* name;
    QStringList arguments;
    std::string site;
    std::string imageSite;
    bool help;
    bool error;
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, ReadsTheProgramsOptions) {
    const ParseCase& c = GetParam();
    const CommandLine line = parseCommandLine(c.arguments);
    EXPECT_EQ(!line.error.empty(), c.error) << line.error;
    if (c.error)
        return;
    EXPECT_EQ(line.sites.site, c.site);
    EXPECT_EQ(line.sites.imageSite, c.imageSite);
    EXPECT_EQ(line.help, c.help);
    EXPECT_EQ(line.warnings.empty(), std::string(c.name) != "Unknown");
}

INSTANTIATE_TEST_SUITE_P(
    Sites, ParseTest,
    ::testing::Values(
        ParseCase{"None", {}, "", "", false, false},
        ParseCase{"SiteGetsItsSlash",
                  {"--site", "http://skins.example:8080"},
                  "http://skins.example:8080/",
                  "",
                  false,
                  false},
        ParseCase{"BothWithEquals",
                  {"--site=http://a.example/skins/", "--image-site=https://b.example/img"},
                  "http://a.example/skins/",
                  "https://b.example/img/",
                  false,
                  false},
        ParseCase{"Help", {"--help"}, "", "", true, false},
        ParseCase{"ShortHelp", {"-h"}, "", "", true, false},
        ParseCase{"TestHookPasses", {"--exit-after-shown"}, "", "", false, false},
        ParseCase{"MissingValue", {"--site"}, "", "", false, true},
        ParseCase{"NotWeb", {"--image-site", "ftp://a.example/"}, "", "", false, true},
        ParseCase{"NoHost", {"--site", "http://"}, "", "", false, true},
        ParseCase{"NotAnAddress", {"--site", "skins"}, "", "", false, true},
        // Warned about, not refused: see ProgramOptions.
        ParseCase{"Unknown", {"--sight", "http://a.example/"}, "", "", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

class AddressTest : public ::testing::Test {
protected:
    void TearDown() override { configureSites({}); }
};

// By default both addresses are the bundled site's, started at the first ask and answering.
TEST_F(AddressTest, DefaultIsTheBundledSiteStartedOnFirstUse) {
    stopBundledSite();
    configureSites({});
    EXPECT_EQ(bundledSite(), nullptr);
    const Text main = mainAddress();
    ASSERT_NE(bundledSite(), nullptr);
    EXPECT_EQ(main, Text::fromUtf8(bundledSite()->baseUrl()));
    EXPECT_EQ(imageAddress(), main);
    EXPECT_TRUE(main.toUtf8().starts_with("http://127.0.0.1:"));
    EXPECT_TRUE(main.toUtf8().ends_with("/"));
    EXPECT_NE(http::fetch(main).find("Quelvo 皮肤站"), std::string::npos);
}

struct SitesCase {
    const char* name;
    SiteOptions options;
    // Expected addresses; "bundled" stands for the bundled site's.
    std::string main;
    std::string image;
    bool bundledStarts;
};

class SitesTest : public AddressTest, public ::testing::WithParamInterface<SitesCase> {};

TEST_P(SitesTest, OptionsChooseTheAddresses) {
    const SitesCase& c = GetParam();
    stopBundledSite();
    configureSites(c.options);
    const std::string main = mainAddress().toUtf8();
    const std::string image = imageAddress().toUtf8();
    EXPECT_EQ(bundledSite() != nullptr, c.bundledStarts);
    const std::string bundled = bundledSite() ? bundledSite()->baseUrl() : "";
    EXPECT_EQ(main, c.main == "bundled" ? bundled : c.main);
    EXPECT_EQ(image, c.image == "bundled" ? bundled : c.image);
}

INSTANTIATE_TEST_SUITE_P(Sites, SitesTest,
                         ::testing::Values(SitesCase{"SiteAlone",
                                                     {"http://a.example/", ""},
                                                     "http://a.example/",
                                                     "http://a.example/",
                                                     false},
                                           SitesCase{"Both",
                                                     {"http://a.example/", "http://b.example/"},
                                                     "http://a.example/",
                                                     "http://b.example/",
                                                     false},
                                           SitesCase{"ImageSiteAlone",
                                                     {"", "http://b.example/"},
                                                     "bundled",
                                                     "http://b.example/",
                                                     true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The program itself: --help prints the options, a bad option ends it with an error.
TEST(ProgramOptions, HelpAndBadOptions) {
    QTemporaryDir cwd;
    QProcess program;
    program.setWorkingDirectory(cwd.path());
    program.start(QUELVO_EXECUTABLE, {"--help"});
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitCode(), 0);
    const QString help = QString::fromUtf8(program.readAllStandardOutput());
    EXPECT_TRUE(help.contains("--site URL")) << help.toStdString();
    EXPECT_TRUE(help.contains("--image-site URL"));

    program.start(QUELVO_EXECUTABLE, {"--site", "ftp://a.example/"});
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_TRUE(QString::fromUtf8(program.readAllStandardError()).contains("--site"));

    // A file handed over by "open with" is warned about, and the window still opens.
    program.start(QUELVO_EXECUTABLE, {"notes.txt", "--exit-after-shown"});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(program.readAllStandardOutput()).contains("shown_ms"));
    EXPECT_TRUE(
        QString::fromUtf8(program.readAllStandardError()).contains("unknown argument notes.txt"));
}

}  // namespace
}  // namespace quelvo::app
