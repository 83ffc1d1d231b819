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

TEST_F(Package, HoldsTheGameItsMenuEntryIconAndManualPage)
{
    const CommandResult list = runCommand({"dpkg-deb", "-c", deb}, {});
    ASSERT_EQ(list.status, 0);
    for (const char* path :
         {"./usr/games/gemwell", "./usr/share/applications/gemwell.desktop",
          "./usr/share/icons/hicolor/scalable/apps/gemwell.svg", "./usr/share/man/man6/gemwell.6"})
    {
        EXPECT_NE(list.output.find(path), std::string::npos) << path << "\n" << list.output;
    }
    // The executable is installed executable by everyone.
    EXPECT_NE(list.output.find("-rwxr-xr-x"), std::string::npos);

    const CommandResult validate = runCommand(
        {"desktop-file-validate", root.file("usr/share/applications/gemwell.desktop")}, {});
    EXPECT_EQ(validate.status, 0) << validate.output;

    // The manual page renders without a warning (man writes them to standard error).
    const CommandResult manual = runCommand({"sh", "-c", "man --warnings -l \"$0\" 2>&1 >/dev/null",
                                             root.file("usr/share/man/man6/gemwell.6")},
                                            {"MANWIDTH=80"});
    EXPECT_EQ(manual.status, 0);
    EXPECT_EQ(manual.output, "");
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
