#include "app/options.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
// Runs takeOptions on a copy of `arguments`; what is left for glutInit comes back in `left`.
Options take(std::vector<std::string> arguments, std::vector<std::string>& left)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
    {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    int argc = static_cast<int>(arguments.size());
    const Options options = takeOptions(argc, argv.data(), "9.8.7");
    left.assign(argv.begin(), argv.begin() + argc);
    EXPECT_EQ(argv[static_cast<size_t>(argc)], nullptr);
    return options;
}

// takeOptions in a death test's child, for an option that ends the process.
void takeOnly(std::vector<std::string> arguments)
{
    std::vector<std::string> left;
    take(std::move(arguments), left);
}

// The same, its standard output sent to the standard error the
// test's pattern reads.
void takeWithStdoutOnStderr(std::vector<std::string> arguments)
{
    dup2(STDERR_FILENO, STDOUT_FILENO);
    std::vector<std::string> left;
    take(std::move(arguments), left);
}
}  // namespace

TEST(Options, GlutsOptionsAndTheirValuesStayForGlutInOrderWhileTheGamesGo)
{
    std::vector<std::string> left;
    EXPECT_FALSE(take({"./gemwell"}, left).shapes);
    EXPECT_EQ(left, std::vector<std::string>{"./gemwell"});

    const Options options =
        take({"/usr/games/gemwell", "-display", ":7", "--shapes", "-geometry", "800x600", "-sync",
              "-iconic", "-gldebug", "-direct", "-indirect"},
             left);
    EXPECT_TRUE(options.shapes);
    EXPECT_EQ(left, (std::vector<std::string>{"/usr/games/gemwell", "-display", ":7", "-geometry",
                                              "800x600", "-sync", "-iconic", "-gldebug", "-direct",
                                              "-indirect"}));
    EXPECT_FALSE(options.arcade);
    // Arcade mode is an option of the game's, taken out wherever it stands.
    const Options arcade = take({"gemwell", "-sync", "--arcade", "-iconic"}, left);
    EXPECT_TRUE(arcade.arcade);
    EXPECT_FALSE(arcade.shapes);
    EXPECT_EQ(left, (std::vector<std::string>{"gemwell", "-sync", "-iconic"}));
    // A value is the option's, even one that looks like an option of the game's.
    EXPECT_FALSE(take({"gemwell", "-display", "--shapes"}, left).shapes);
    EXPECT_EQ(left, (std::vector<std::string>{"gemwell", "-display", "--shapes"}));
}

TEST(OptionsDeathTest, HelpAndVersionPrintAndSucceedAWrongOptionPrintsTheUsageAndFails)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(takeWithStdoutOnStderr({"gemwell", "--shapes", "--help"}),
                testing::ExitedWithCode(0),
                "\nUsage: gemwell .*--shapes.*--arcade(.|\n)*  --arcade +arcade mode: "
                "(.|\n)*space +hard drop");
    EXPECT_EXIT(takeWithStdoutOnStderr({"gemwell", "--version", "-sync"}),
                testing::ExitedWithCode(0), "\ngemwell 9\\.8\\.7\n$");
    EXPECT_EXIT(takeOnly({"gemwell", "--shape"}), testing::ExitedWithCode(2),
                "^gemwell: unknown option --shape\nUsage: gemwell ");
    EXPECT_EXIT(takeOnly({"gemwell", "-geometry", "640x480", "-fullscreen"}),
                testing::ExitedWithCode(2), "unknown option -fullscreen\nUsage:");
}
