#include "app/options.h"

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
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

std::set<std::string> namesIn(const std::string& folder)
{
    std::set<std::string> names;
    if (DIR* dir = opendir(folder.c_str()))
    {
        while (const dirent* entry = readdir(dir))
        {
            names.insert(entry->d_name);
        }
        closedir(dir);
    }
    return names;
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

TEST(OptionsDeathTest, ScoresPrintsTheTableAndChangesNothingEvenABadOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The death test's child runs this test again from the start: it finds the parent's folder
    // in the environment instead of making one of its own.
    const char* inherited = std::getenv("GEMWELL_TEST_DATA_HOME");
    char made[] = "/tmp/gemwell-scores-option-XXXXXX";
    const std::string root = inherited != nullptr ? inherited : mkdtemp(made);
    setenv("GEMWELL_TEST_DATA_HOME", root.c_str(), 1);
    setenv("XDG_DATA_HOME", root.c_str(), 1);
    const std::string folder = root + "/gemwell";
    EXPECT_EXIT(takeWithStdoutOnStderr({"gemwell", "--scores"}), testing::ExitedWithCode(0),
                "\nNo arcade scores yet .*kept in " + folder + "/high-scores\n$");
    EXPECT_EQ(namesIn(root), (std::set<std::string>{".", ".."}));

    // A bad table: shown as far as it reads, said once on stderr, left exactly as it was.
    mkdir(folder.c_str(), 0700);
    const std::string bad =
        "gemwell-scores 1\narcade 500 3 2026-12-01\nxx\narcade 900 4 2026-12-02\n";
    std::ofstream(folder + "/high-scores") << bad;
    EXPECT_EXIT(takeOnly({"gemwell", "--scores"}), testing::ExitedWithCode(0),
                "^gemwell: [^\n]*high-scores is bad \\(line 3 is damaged\\)[^\n]*\n$");
    EXPECT_EXIT(takeWithStdoutOnStderr({"gemwell", "--scores"}), testing::ExitedWithCode(0),
                "\nArcade high scores\n.*\n +1 +900 +4 +2026-12-02\n +2 +500 +3 +2026-12-01\n"
                "Kept in ");
    std::stringstream after;
    after << std::ifstream(folder + "/high-scores").rdbuf();
    EXPECT_EQ(after.str(), bad);
    EXPECT_EQ(namesIn(folder), (std::set<std::string>{".", "..", "high-scores"}));
    unsetenv("XDG_DATA_HOME");
    unsetenv("GEMWELL_TEST_DATA_HOME");
    std::system(("rm -rf " + root).c_str());
}

TEST(Options, TheUsageListsTheKeysFromTheKeyTableInTheirColumns)
{
    // Made from the key table: each command once, its keys in one column, its help in the next.
    const std::string usage = usageText("gemwell");
    const std::string keys = "\n"
                             "Keys:\n"
                             "  z or Left    move left\n"
                             "  c or Right   move right\n"
                             "  s or Up      cycle the colours\n"
                             "  x or Down    soft drop\n"
                             "  space        hard drop\n"
                             "  q            quit\n";
    ASSERT_GE(usage.size(), keys.size());
    EXPECT_EQ(usage.substr(usage.size() - keys.size()), keys);
    EXPECT_EQ(usage.find("Keys:"), usage.rfind("Keys:"));
}
