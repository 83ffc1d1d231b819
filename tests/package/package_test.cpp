// The Debian package as a player gets it: its files, its dependencies, and the game it installs
// running under X. GEMWELL_DEB names the package to check.
#include "x_session.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace
{
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
        "./usr/share/applications/example.gemwell.Gemwell.desktop",
        "./usr/share/metainfo/example.gemwell.Gemwell.metainfo.xml",
        "./usr/share/icons/hicolor/scalable/apps/gemwell.svg",
        "./usr/share/man/man6/gemwell.6.gz",
        "./usr/share/doc/gemwell/copyright",
        "./usr/share/doc/gemwell/changelog.gz",
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
        {"desktop-file-validate", "usr/share/applications/example.gemwell.Gemwell.desktop"},
        {"appstreamcli", "validate", "--no-net", "--no-color",
         "usr/share/metainfo/example.gemwell.Gemwell.metainfo.xml"},
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
    const CommandResult metainfo =
        runCommand({"appstreamcli", "validate", "--no-net", "--no-color",
                    root.file("usr/share/metainfo/example.gemwell.Gemwell.metainfo.xml")},
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
    const CommandResult check =
        runCommand({"hardening-check", "--verbose", root.file("usr/games/gemwell")}, {});
    for (const char* feature : {"Position Independent Executable: yes", "Stack protected: yes",
                                "Read-only relocations: yes", "Immediate binding: yes"})
    {
        EXPECT_NE(check.output.find(feature), std::string::npos) << check.output;
    }
    // Fortify wraps only calls whose destination size it can see; the one libc call it could
    // wrap, the digit image's read, takes its buffer from elsewhere (see the lintian override).
    const std::string fortify = "Fortify Source functions: no, only unprotected functions found!\n"
                                "\tunprotected: read\n Read-only";
    EXPECT_NE(check.output.find(fortify), std::string::npos) << check.output;
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
