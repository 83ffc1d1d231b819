#include "app/high_scores.h"

#include "app/score_store.h"

#include <cstdlib>
#include <ctime>
#include <exception>
#include <string>

namespace
{
// The first problem of the process goes to standard error; later ones add nothing new.
void sayOnce(const std::string& line)
{
    static bool said = false;
    if (!said)
    {
        said = true;
        std::fprintf(stderr, "gemwell: %s\n", line.c_str());
    }
}

std::string folderFromEnvironment()
{
    return scoreFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

std::string today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char date[32] = "";
    if (localtime_r(&now, &local) != nullptr)
    {
        std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    }
    return date;
}

void keep(int32_t score, int32_t level)
{
    const std::string folder = folderFromEnvironment();
    if (folder.empty())
    {
        sayOnce("scores cannot be kept: neither XDG_DATA_HOME nor HOME names a folder");
        return;
    }
    const ScoreEntry entry{score, level, today()};
    if (score < 0 || level < 0 || !isScoreDate(entry.date))
    {
        sayOnce("this score cannot be kept: it has no valid score, level or date");
        return;
    }
    const StoreResult result = keepScore(folder, entry);
    if (!result.setAsideAs.empty())
    {
        sayOnce("the high-score table was bad (" + result.damage + "); it was set aside as " +
                result.setAsideAs + ", and the " + std::to_string(result.recovered) +
                " entries it still held were kept");
    }
    if (!result.kept)
    {
        sayOnce("this score cannot be kept (" + result.problem + ")");
    }
}
}  // namespace

void keepArcadeScore(int32_t score, int32_t level)
{
    // The game over path must end the game whatever happens here, even out of memory.
    try
    {
        keep(score, level);
    }
    catch (const std::exception& error)
    {
        sayOnce(std::string("this score cannot be kept (") + error.what() + ")");
    }
}

int printHighScores(std::FILE* out, std::FILE* err)
{
    const std::string folder = folderFromEnvironment();
    if (folder.empty())
    {
        std::fputs(
            "No high scores: neither XDG_DATA_HOME nor HOME names a folder to keep them in.\n",
            out);
        return 0;
    }
    const std::string table = folder + "/" + kTableName;
    const TableLook look = lookAtScores(folder);
    if (!look.problem.empty())
    {
        std::fprintf(err, "gemwell: %s\n", look.problem.c_str());
    }
    else if (look.found && !look.reading.sound)
    {
        std::fprintf(err,
                     "gemwell: %s is bad (%s); shown is what could be read, and the next arcade "
                     "game sets it aside\n",
                     table.c_str(), look.reading.problem.c_str());
    }
    if (!look.found || look.reading.arcade.empty())
    {
        std::fprintf(
            out, "No arcade scores yet (gemwell --arcade to play for some); they are kept in %s\n",
            table.c_str());
        return 0;
    }
    // The best ten, as the next game will keep them: a bad file may hold more, out of order.
    std::fputs(showScores(bestScores(look.reading.arcade)).c_str(), out);
    std::fprintf(out, "Kept in %s\n", table.c_str());
    return 0;
}
