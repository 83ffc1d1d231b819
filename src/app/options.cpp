#include "app/options.h"

#include "app/high_scores.h"
#include "input/key_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
// GLUT's own options, and whether each takes the next argument as its value.
struct GlutOption
{
    const char* name;
    bool takesValue;
};
constexpr GlutOption kGlutOptions[] = {
    {"-display", true}, {"-geometry", true}, {"-direct", false}, {"-indirect", false},
    {"-iconic", false}, {"-gldebug", false}, {"-sync", false}};

constexpr int kUsageStatus = 2;

const GlutOption* glutOption(const char* argument)
{
    for (const GlutOption& option : kGlutOptions)
    {
        if (std::strcmp(argument, option.name) == 0)
        {
            return &option;
        }
    }
    return nullptr;
}
}  // namespace

std::string usageText(const char* program)
{
    const std::string name = program != nullptr && program[0] != '\0' ? program : "gemwell";
    return "Usage: " + name +
           " [--shapes] [--arcade] [GLUT options such as -display DISPLAY or -geometry WxH]\n"
           "       " +
           name +
           " --help | --version | --scores\n"
           "\n"
           "  --shapes   draw a mark on each gem (ring, bar, cross, triangle, dot) so the\n"
           "             five colours differ by outline as well\n"
           "  --arcade   arcade mode: score points for every gem cleared, more for long lines\n"
           "             and chains; see the next column; pieces fall faster as the level\n"
           "             rises; the final score is printed at the end\n"
           "  --help     print this and exit\n"
           "  --version  print the version and exit\n"
           "  --scores   print the arcade high scores, kept in $XDG_DATA_HOME/gemwell\n"
           "             (~/.local/share/gemwell by default), and exit\n"
           "\n" +
           keysHelp();
}

Options takeOptions(int& argc, char** argv, const char* version)
{
    Options options;
    const char* program = argc > 0 ? argv[0] : nullptr;
    int kept = argc > 0 ? 1 : 0;
    for (int i = kept; i < argc; ++i)
    {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--shapes") == 0)
        {
            options.shapes = true;
            continue;
        }
        if (std::strcmp(argument, "--arcade") == 0)
        {
            options.arcade = true;
            continue;
        }
        if (std::strcmp(argument, "--help") == 0)
        {
            std::fputs(usageText(program).c_str(), stdout);
            std::exit(0);
        }
        if (std::strcmp(argument, "--scores") == 0)
        {
            std::exit(printHighScores(stdout, stderr));
        }
        if (std::strcmp(argument, "--version") == 0)
        {
            std::printf("gemwell %s\n", version);
            std::exit(0);
        }
        const GlutOption* glut = glutOption(argument);
        if (argument[0] == '-' && glut == nullptr)
        {
            std::fprintf(stderr, "%s: unknown option %s\n%s", program ? program : "gemwell",
                         argument, usageText(program).c_str());
            std::exit(kUsageStatus);
        }
        argv[kept++] = argv[i];
        // A GLUT option's value goes with it, whatever it looks like.
        if (glut != nullptr && glut->takesValue && i + 1 < argc)
        {
            argv[kept++] = argv[++i];
        }
    }
    if (kept < argc)
    {
        argv[kept] = nullptr;
    }
    argc = kept;
    return options;
}
