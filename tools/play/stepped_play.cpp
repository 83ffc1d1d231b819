#include "stepped_play.h"

#include "app/clock.h"
#include "game/gem.h"
#include "game/piece.h"
#include "input/key_bindings.h"
#include "play_field.h"
#include "prediction.h"
#include "screenshot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

namespace
{
// Zero-length frames enough for any chain of states to come to rest.
constexpr int kRestingFrames = 20;

// Keys that take the current piece to `column` with `cycles` turns of its colours, a clock step
// for it to slide there (and fall two rows), and the hard drop; letters on even columns, arrows
// on odd ones.
std::vector<Step> placement(const Game& game, int column, int cycles)
{
    const bool letters = column % 2 == 0;
    std::vector<Step> keys;
    for (int turn = 0; turn < cycles; ++turn)
    {
        keys.push_back({Step::Key, letters ? "s" : "Up"});
    }
    for (int from = game.piece->gems[0]->target[0]; from != column; from += from < column ? 1 : -1)
    {
        keys.push_back(
            {Step::Key, from < column ? (letters ? "c" : "Right") : (letters ? "z" : "Left")});
    }
    keys.push_back({Step::Advance, "", kStepMillis});
    keys.push_back({Step::Key, "space"});
    return keys;
}

std::vector<Step> joined(std::vector<Step> a, const std::vector<Step>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// libfaketime's frozen time, read afresh on every clock call: the fixed epoch plus `seconds`.
bool setClock(const std::string& path, int seconds)
{
    const std::time_t when = static_cast<std::time_t>(kFakeEpoch) + seconds;
    std::tm fields = {};
    gmtime_r(&when, &fields);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &fields);
    // Written beside and renamed over, so that a clock call never reads half a file.
    const std::string draft = path + ".new";
    return writeLines(draft, {text}) && std::rename(draft.c_str(), path.c_str()) == 0;
}

}  // namespace

void rest(Game& game)
{
    g_frameSeconds = 0.0f;
    for (int frame = 0; frame < kRestingFrames && game.state != GameOver; ++frame)
    {
        game.update();
    }
}

namespace
{
// One step as the rules take it: a key, or one frame of the step's length; a shot changes nothing.
void applyStep(Game& game, const Step& step)
{
    if (step.kind == Step::Key)
    {
        pressKey(game, step.text);
    }
    else if (step.kind == Step::Advance)
    {
        g_frameSeconds = millisToSeconds(static_cast<uint32_t>(step.millis));
        game.update();
    }
}
}  // namespace

// The game the steps leave, as the real one is left with the clock frozen between them.
std::unique_ptr<Game> replay(const std::vector<Step>& steps)
{
    auto game = predictedGame();
    rest(*game);
    for (const Step& step : steps)
    {
        applyStep(*game, step);
        rest(*game);
    }
    return game;
}

// Every gem where it is drawn, which for a landed gem still sliding towards its cell is not yet
// that cell.
std::vector<std::string> sceneText(const Game& game)
{
    std::vector<std::string> rows(kRows, std::string(kColumns, '.'));
    std::vector<const Gem*> drawn(std::begin(game.gems), std::end(game.gems));
    if (game.piece != nullptr && game.piece->active == 1)
    {
        drawn.insert(drawn.end(), std::begin(game.piece->gems), std::end(game.piece->gems));
    }
    for (const Gem* gem : drawn)
    {
        if (gem == nullptr)
        {
            continue;
        }
        const double column = gem->position[0];
        const double row = gem->position[1];
        if (column != std::floor(column) || row != std::floor(row))
        {
            std::fprintf(stderr, "a shot of a gem between cells\n");
            std::exit(2);
        }
        if (row >= 0 && row < kRows && column >= 0 && column < kColumns)
        {
            rows[kRows - 1 - static_cast<int>(row)][static_cast<int>(column)] =
                char('0' + gem->colourIndex);
        }
    }
    return rows;
}

bool placeWhere(std::vector<Step>& steps,
                const std::function<bool(const Game& before, const Game& after)>& good)
{
    const auto before = replay(steps);
    for (int column = 0; column < kColumns; ++column)
    {
        for (int cycles = 0; cycles < 3; ++cycles)
        {
            const auto candidate = joined(steps, placement(*before, column, cycles));
            if (good(*before, *replay(candidate)))
            {
                steps = candidate;
                return true;
            }
        }
    }
    return false;
}

bool quietLanding(const Game& before, const Game& after, const StackShape& shape)
{
    if (after.state != Falling || boardGemCount(after) != boardGemCount(before) + 3)
    {
        return false;
    }
    int lowest = kRows;
    int highest = 0;
    for (int column = 0; column < kColumns; ++column)
    {
        lowest = std::min(lowest, after.columnHeight(column));
        highest = std::max(highest, after.columnHeight(column));
    }
    return highest <= shape.maxHeight && highest - lowest <= shape.maxSpread &&
           after.columnHeight(kSpawnColumn) <= shape.maxSpawnHeight;
}

// Pieces placed without a clear where one can be, the stack kept even and column 2 low enough
// for the spawns. A piece of three equal colours clears itself wherever it goes: then any
// settling is let finish.
std::vector<Step> planStack(int gems, const StackShape& shape)
{
    std::vector<Step> steps;
    while (boardGemCount(*replay(steps)) < gems)
    {
        if (placeWhere(steps, [&shape](const Game& before, const Game& after)
                       { return quietLanding(before, after, shape); }))
        {
            continue;
        }
        if (!placeWhere(steps, [](const Game&, const Game& after)
                        { return after.state == Falling || after.state == Settling; }))
        {
            std::fprintf(stderr, "cannot stack the well to %d gems\n", gems);
            std::exit(2);
        }
        for (int step = 0; step < 5 && replay(steps)->state != Falling; ++step)
        {
            steps.push_back({Step::Advance, "", kStepMillis});
        }
    }
    return steps;
}

namespace
{
// Where every gem is, and its colour, the piece's included: what a frame can change.
std::vector<float> gemPlaces(const Game& game)
{
    std::vector<float> places;
    std::vector<const Gem*> gems(std::begin(game.gems), std::end(game.gems));
    if (game.piece != nullptr)
    {
        gems.insert(gems.end(), std::begin(game.piece->gems), std::end(game.piece->gems));
    }
    for (const Gem* gem : gems)
    {
        if (gem != nullptr)
        {
            places.insert(places.end(), {gem->position[0], gem->position[1],
                                         static_cast<float>(gem->colourIndex)});
        }
    }
    places.push_back(static_cast<float>(game.state));
    places.push_back(game.piece != nullptr ? static_cast<float>(game.piece->active) : -1.0f);
    return places;
}
}  // namespace

int restingFrames(const std::vector<Step>& steps)
{
    auto game = predictedGame();
    rest(*game);
    int most = 0;
    for (const Step& step : steps)
    {
        applyStep(*game, step);
        g_frameSeconds = 0.0f;
        std::vector<float> before = gemPlaces(*game);
        for (int frame = 1; frame <= kRestingFrames && game->state != GameOver; ++frame)
        {
            game->update();
            std::vector<float> after = gemPlaces(*game);
            if (after != before)
            {
                most = std::max(most, frame);
            }
            before = std::move(after);
        }
    }
    return most;
}

bool writeLines(const std::string& path, const std::vector<std::string>& lines)
{
    std::ofstream out(path);
    for (const std::string& line : lines)
    {
        out << line << '\n';
    }
    return static_cast<bool>(out);
}

std::vector<std::string> readLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
    {
        lines.push_back(line);
    }
    return lines;
}

void writeScript(const std::vector<Step>& steps, const std::string& outDir, const std::string& name)
{
    std::vector<std::string> script;
    for (size_t count = 0; count < steps.size(); ++count)
    {
        const Step& step = steps[count];
        if (step.kind == Step::Key)
        {
            script.push_back("key " + step.text);
        }
        else if (step.kind == Step::Advance)
        {
            script.push_back("advance " + std::to_string(step.millis));
        }
        else
        {
            script.push_back("shot " + step.text);
            const std::vector<Step> upTo(steps.begin(), steps.begin() + count);
            writeLines(outDir + "/" + step.text + ".well", sceneText(*replay(upTo)));
        }
    }
    writeLines(outDir + "/" + name, script);
}

SteppedGame::SteppedGame(const XServer& x, std::vector<std::string> preload,
                         std::vector<std::string> env, std::vector<std::string> args)
{
    setClock(clock_, seconds_);
    GameOptions options;
    options.fakeTime = false;  // the harness's running clock; this one stands still
    options.preload = std::move(preload);
    options.preload.push_back(FAKETIME_LIBRARY);
    options.env = std::move(env);
    marked_ = std::find(args.begin(), args.end(), "--shapes") != args.end();
    options.args = std::move(args);
    options.env.push_back("FAKETIME_TIMESTAMP_FILE=" + clock_);
    options.env.push_back("FAKETIME_NO_CACHE=1");
    game_ = std::make_unique<GameWindow>(x, options);
}

namespace
{
// The well with every gem, of whatever colour, as '#'.
std::vector<std::string> occupied(std::vector<std::string> well)
{
    for (std::string& row : well)
    {
        for (char& cell : row)
        {
            cell = cell == '.' ? '.' : '#';
        }
    }
    return well;
}

// A marked gem may be dark at its centre (a dot, a triangle) or all round it (a ring), but never
// both: its cell is taken as a gem where its centre, or any point 0.6 of the radius from it up,
// down, left or right, is not the background.
bool gemAt(const Screenshot& image, int column, int row)
{
    constexpr double kOff = 0.6 * 0.5;
    const double offsets[5][2] = {{0, 0}, {kOff, 0}, {-kOff, 0}, {0, kOff}, {0, -kOff}};
    for (const auto& offset : offsets)
    {
        if (colourAtCell(image, column + offset[0], row + offset[1]) != kBlack)
        {
            return true;
        }
    }
    return false;
}

std::vector<std::string> occupiedWell(const Screenshot& image)
{
    std::vector<std::string> rows;
    for (int row = kRows - 1; row >= 0 && !image.pixels.empty(); --row)
    {
        std::string line;
        for (int column = 0; column < kColumns; ++column)
        {
            line += gemAt(image, column, row) ? '#' : '.';
        }
        rows.push_back(line);
    }
    return rows;
}

// "step 12 (key Left)", for the failures.
std::string describeStep(const std::vector<Step>& steps, size_t index)
{
    const Step& step = steps[index];
    const std::string what = step.kind == Step::Key       ? "key " + step.text
                             : step.kind == Step::Advance ? "advance " + std::to_string(step.millis)
                                                          : "shot " + step.text;
    return "step " + std::to_string(index + 1) + " of " + std::to_string(steps.size()) + " (" +
           what + ")";
}

std::string joinedLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
    {
        text += "\n  " + line;
    }
    return text;
}
}  // namespace

bool SteppedGame::play(const std::vector<Step>& steps, const std::string& outDir, int width,
                       int height)
{
    game_->saveFailuresTo(outDir + "/native-failed.png");
    if (!game_->waitUntilShown())
    {
        std::fprintf(stderr, "the game did not show: %s\n", game_->errors().c_str());
        return false;
    }
    if (width > 0 && !resizeTo(width, height))
    {
        std::fprintf(stderr, "the window did not take %d x %d\n", width, height);
        return false;
    }
    for (size_t index = 0; index < steps.size(); ++index)
    {
        const Step& step = steps[index];
        const std::string name = describeStep(steps, index);
        if (step.kind == Step::Key)
        {
            // As the rules play it: the key, then the frozen clock's frames that bring the game
            // to rest.
            if (!game_->pressKeys({step.text}, name, kRestingFrames))
            {
                return false;
            }
        }
        else if (step.kind == Step::Advance)
        {
            seconds_ += step.millis / 1000;
            setClock(clock_, seconds_);
            // The stepped frame, then the frames that bring the game to rest.
            if (!game_->waitForNewFrame(name, 1 + kRestingFrames))
            {
                return false;
            }
        }
        else
        {
            // The frame the steps so far leave, as the rules draw it: a shot of an earlier one
            // is waited past, a wrong one is never taken.
            const std::vector<Step> upTo(steps.begin(), steps.begin() + index);
            const bool marked = marked_;
            const auto read = [marked](const Screenshot& seen)
            { return marked ? occupiedWell(seen) : wellText(seen); };
            const std::vector<std::string> predicted = sceneText(*replay(upTo));
            const std::vector<std::string> want = marked ? occupied(predicted) : predicted;
            Screenshot shot;
            if (!game_->waitForPicture(
                    name, "the well the rules predict:" + joinedLines(want),
                    [&](const Screenshot& seen) { return read(seen) == want; }, shot,
                    [&](const Screenshot& seen) { return "this well:" + joinedLines(read(seen)); }))
            {
                return false;
            }
            if (!writePng(shot, outDir + "/native-" + step.text + ".png"))
            {
                std::fprintf(stderr, "%s: cannot write the screenshot\n", name.c_str());
                return false;
            }
            shots_[step.text] = shot;
        }
    }
    return true;
}

bool SteppedGame::resizeTo(int width, int height)
{
    game_->resize(width, height);
    const std::string step =
        "resizing to " + std::to_string(width) + " x " + std::to_string(height);
    if (!game_->waitForReshape(width, height, step))
    {
        return false;
    }
    Screenshot shot;
    return game_->waitForPicture(
        step, "a lit window of that size",
        [width, height](const Screenshot& seen)
        { return seen.width == width && seen.height == height && seen.litPixels() > 0; },
        shot,
        [](const Screenshot& seen)
        {
            return std::to_string(seen.width) + " x " + std::to_string(seen.height) + " with " +
                   std::to_string(seen.litPixels()) + " lit pixels";
        });
}

bool SteppedGame::quit()
{
    game_->keys({"q"});
    return game_->waitForExit(10.0, "quitting with q") == kQuitStatus;
}

Screenshot SteppedGame::shot(const std::string& name) const
{
    const auto found = shots_.find(name);
    return found != shots_.end() ? found->second : Screenshot();
}
