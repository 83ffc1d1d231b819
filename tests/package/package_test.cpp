// The Debian package as a player gets it: its files, its dependencies, and the game it installs
// running under X. GEMWELL_DEB names the package to check, GEMWELL_DEB_DBGSYM its debug symbols.
#include "x_session.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>

namespace
{
// Both are named by the app id the package was configured with.
const std::string kDesktopEntry = GEMWELL_APP_ID ".desktop";
const std::string kMetainfo = GEMWELL_APP_ID ".metainfo.xml";

std::string packagePath()
{
    const char* path = std::getenv("GEMWELL_DEB");
    return path != nullptr ? path : "";
}

class Package : public testing::Test
{
protected:
    void SetUp() override
    {
        deb = packagePath();
        ASSERT_FALSE(deb.empty()) << "set GEMWELL_DEB to the .deb to check";
        ASSERT_EQ(runCommand({"dpkg-deb", "-x", deb, root.path()}, {}).status, 0);
    }

    std::string deb;
    ScratchDir root;
};
}  // namespace

TEST_F(Package, HoldsTheGameItsMenuEntryMetainfoIconsManualPageAndCopyright)
{
    const CommandResult list = runCommand({"dpkg-deb", "-c", deb}, {});
    ASSERT_EQ(list.status, 0);
    std::vector<std::string> paths = {
        "./usr/games/gemwell",
        "./usr/share/applications/" + kDesktopEntry,
        "./usr/share/metainfo/" + kMetainfo,
        "./usr/share/icons/hicolor/scalable/apps/gemwell.svg",
        "./usr/share/man/man6/gemwell.6.gz",
        "./usr/share/doc/gemwell/copyright",
        "./usr/share/doc/gemwell/changelog.Debian.gz",
    };
    for (const char* size : {"16", "32", "48", "64", "128", "256"})
    {
        paths.push_back(std::string("./usr/share/icons/hicolor/") + size + "x" + size +
                        "/apps/gemwell.png");
    }
    for (const std::string& path : paths)
    {
        EXPECT_NE(list.output.find(path + "\n"), std::string::npos) << path << "\n" << list.output;
    }
    // The executable is installed executable by everyone.
    EXPECT_NE(list.output.find("-rwxr-xr-x"), std::string::npos);

    // Each checker passes the file with nothing to say (they write to standard error).
    const std::vector<std::vector<std::string>> checks = {
        {"desktop-file-validate", "usr/share/applications/" + kDesktopEntry},
        {"appstreamcli", "validate", "--no-net", "--no-color", "usr/share/metainfo/" + kMetainfo},
        {"mandoc", "-T", "lint", "usr/share/man/man6/gemwell.6.gz"},
        {"man", "--warnings", "-l", "usr/share/man/man6/gemwell.6.gz"},
    };
    for (const auto& check : checks)
    {
        std::string command = "cd '" + root.path() + "' && " + check[0];
        for (size_t i = 1; i < check.size(); ++i)
        {
            command += " '" + check[i] + "'";
        }
        const CommandResult result =
            runCommand({"sh", "-c", command + " 2>&1 >/dev/null"}, {"MANWIDTH=80"});
        EXPECT_EQ(result.status, 0) << check[0] << "\n" << result.output;
        EXPECT_EQ(result.output, "") << check[0];
    }
    // appstreamcli speaks on standard output: only its one information about the id may remain.
    const CommandResult metainfo = runCommand({"appstreamcli", "validate", "--no-net", "--no-color",
                                               root.file("usr/share/metainfo/" + kMetainfo)},
                                              {});
    EXPECT_EQ(metainfo.output.find("W:"), std::string::npos) << metainfo.output;
    EXPECT_EQ(metainfo.output.find("E:"), std::string::npos) << metainfo.output;
}

TEST_F(Package, LintianFindsNoErrorOrWarning)
{
    const CommandResult lintian =
        runCommand({"lintian", "--no-cfg", "--fail-on", "error,warning", "-I", deb}, {}, 120.0);
    EXPECT_EQ(lintian.status, 0) << lintian.output;
    for (const char* level : {"E: ", "W: "})
    {
        EXPECT_EQ(lintian.output.find(level), std::string::npos) << lintian.output;
    }
}

TEST_F(Package, TheGameIsBuiltWithDebiansHardening)
{
    // Read from the ELF file itself, by the names the format gives them.
    const std::string game = root.file("usr/games/gemwell");
    const auto elf = [&](const char* what)
    {
        const CommandResult result = runCommand({"readelf", "-W", what, game}, {"LC_ALL=C"});
        EXPECT_EQ(result.status, 0) << what << "\n" << result.output;
        return result.output;
    };
    const auto has = [](const std::string& text, const char* pattern)
    { return std::regex_search(text, std::regex(pattern, std::regex::multiline)); };
    const std::string header = elf("--file-header");
    const std::string segments = elf("--program-headers");
    const std::string dynamic = elf("--dynamic");
    const std::string symbols = elf("--dyn-syms");
    // Position independent: a dynamic object that is still an executable (it has an interpreter).
    EXPECT_TRUE(has(header, R"(^\s*Type:\s+DYN\b)")) << header;
    EXPECT_TRUE(has(segments, R"(^\s*INTERP\b)")) << segments;
    // Stack protector: functions with a canary call the failure handler.
    EXPECT_TRUE(has(symbols, R"(\b__stack_chk_fail\b)")) << symbols;
    // Full RELRO: the relocated data is made read-only, and bound before the game starts.
    EXPECT_TRUE(has(segments, R"(^\s*GNU_RELRO\b)")) << segments;
    EXPECT_TRUE(has(dynamic, R"(\(BIND_NOW\)|\(FLAGS\).*\bBIND_NOW\b|\(FLAGS_1\).*\bNOW\b)"))
        << dynamic;

    // Fortify leaves no mark in a binary whose calls it could not check, so ask the flags each
    // of the game's sources was compiled with, and that they optimise (fortify needs it).
    const char* commands = std::getenv("GEMWELL_COMPILE_COMMANDS");
    ASSERT_NE(commands, nullptr) << "set GEMWELL_COMPILE_COMMANDS to the package build's database";
    const std::string database = readFile(commands);
    const std::regex entry(R"re("command":\s*"((?:[^"\\]|\\.)*)")re");
    int compiled = 0;
    for (auto it = std::sregex_iterator(database.begin(), database.end(), entry);
         it != std::sregex_iterator(); ++it, ++compiled)
    {
        const std::string command = (*it)[1];
        // The last word on it counts: a later -U or -D undoes an earlier one.
        const std::regex fortify(R"((^|\s)-([DU])_FORTIFY_SOURCE(=\S*)?(?=\s|$))");
        std::smatch last;
        for (auto word = std::sregex_iterator(command.begin(), command.end(), fortify);
             word != std::sregex_iterator(); ++word)
        {
            last = *word;
        }
        EXPECT_TRUE(!last.empty() && last[2] == "D" && (last[3] == "=2" || last[3] == "=3"))
            << command;
        EXPECT_TRUE(has(command, R"((^|\s)-O[123s](\s|$))")) << command;
    }
    EXPECT_GT(compiled, 10) << database;
}

TEST_F(Package, TheGameIsStrippedAndItsDebugSymbolsAreInTheDbgsymPackage)
{
    const std::string game = root.file("usr/games/gemwell");
    const CommandResult sections =
        runCommand({"readelf", "-W", "--section-headers", game}, {"LC_ALL=C"});
    ASSERT_EQ(sections.status, 0) << sections.output;
    for (const char* section : {".symtab", ".debug_info", ".comment"})
    {
        EXPECT_EQ(sections.output.find(std::string(" ") + section + " "), std::string::npos)
            << section << "\n"
            << sections.output;
    }
    // dh_strip files the symbols under the game's build id, where a debugger looks for them.
    const CommandResult notes = runCommand({"readelf", "--notes", game}, {"LC_ALL=C"});
    std::smatch id;
    ASSERT_TRUE(
        std::regex_search(notes.output, id, std::regex(R"(Build ID: ([0-9a-f]{2})([0-9a-f]+))")))
        << notes.output;
    const char* dbgsym = std::getenv("GEMWELL_DEB_DBGSYM");
    ASSERT_NE(dbgsym, nullptr) << "set GEMWELL_DEB_DBGSYM to the -dbgsym package";
    const CommandResult list = runCommand({"dpkg-deb", "-c", dbgsym}, {});
    const std::string debug =
        "./usr/lib/debug/.build-id/" + id[1].str() + "/" + id[2].str() + ".debug";
    EXPECT_NE(list.output.find(debug + "\n"), std::string::npos) << debug << "\n" << list.output;
}

TEST_F(Package, ASecondBuildElsewhereUnderAnotherUmaskIsTheSameBytes)
{
    const char* rebuilt = std::getenv("GEMWELL_DEB_REBUILT");
    ASSERT_NE(rebuilt, nullptr) << "set GEMWELL_DEB_REBUILT to the second build's .deb";
    const std::string first = readFile(deb);
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first == readFile(rebuilt)) << deb << " and " << rebuilt << " differ";
}

TEST_F(Package, DependsOnTheRuntimeLibrariesNotTheDevelopmentPackages)
{
    const CommandResult depends = runCommand({"dpkg-deb", "-f", deb, "Depends"}, {});
    ASSERT_EQ(depends.status, 0);
    for (const char* library : {"libglut3", "libglu1", "libopengl0", "libc6"})
    {
        EXPECT_NE(depends.output.find(library), std::string::npos) << depends.output;
    }
    EXPECT_EQ(depends.output.find("-dev"), std::string::npos) << depends.output;
    EXPECT_EQ(runCommand({"dpkg-deb", "-f", deb, "Section"}, {}).output, "games\n");
}

TEST_F(Package, TheInstalledGameRunsAndQuitsWithQ)
{
    XServer x;
    ASSERT_TRUE(x.ready());
    GameOptions options;
    options.binary = root.file("usr/games/gemwell");
    GameWindow game(x, options);
    ASSERT_TRUE(game.waitUntilShown()) << game.errors();
    game.keys({"q"});
    EXPECT_EQ(game.waitForExit(10.0), 42);
    EXPECT_EQ(game.output(), "");
}
