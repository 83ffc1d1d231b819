#include "game/digit_image.h"
#include "game/game.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace
{
// A private working directory, removed (with whatever the test put there) on the way out.
class ScratchDirectory
{
public:
    ScratchDirectory()
    {
        char pattern[] = "/tmp/gemwell-digits-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const char* name) const { return path_ + "/" + name; }

    void write(const char* name, const std::vector<unsigned char>& bytes) const
    {
        FILE* out = std::fopen(file(name).c_str(), "wb");
        ASSERT_NE(out, nullptr);
        if (!bytes.empty())
        {
            std::fwrite(bytes.data(), 1, bytes.size(), out);
        }
        std::fclose(out);
    }

private:
    std::string path_;
};

// Bytes that differ from one buffer-sized piece of the file to the next at every offset (up to
// 256 pieces), so the buffer shows which piece the last read took.
std::vector<unsigned char> pattern(size_t size)
{
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i)
    {
        bytes[i] = static_cast<unsigned char>(i * 7 + 1 + i / kDigitImageBytes);
    }
    return bytes;
}
}  // namespace

TEST(DigitImage, ReadsRegularFilesOfAnySizeIntoTheBuffer)
{
    const ScratchDirectory dir;
    unsigned char buffer[kDigitImageBytes];

    dir.write("exact", pattern(kDigitImageBytes));
    std::fill(std::begin(buffer), std::end(buffer), 0);
    EXPECT_TRUE(loadDigitImage(dir.file("exact").c_str(), buffer, sizeof buffer));
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + kDigitImageBytes),
              pattern(kDigitImageBytes));

    dir.write("short", pattern(10));
    std::fill(std::begin(buffer), std::end(buffer), 0);
    EXPECT_TRUE(loadDigitImage(dir.file("short").c_str(), buffer, sizeof buffer));
    EXPECT_EQ(buffer[9], pattern(10)[9]);
    EXPECT_EQ(buffer[10], 0);

    // Larger files are read in buffer-sized pieces, each from the start: the last piece
    // lies over the front of the one before it, and nothing is written past the buffer.
    const auto large = pattern(kDigitImageBytes + 100);
    dir.write("large", large);
    EXPECT_TRUE(loadDigitImage(dir.file("large").c_str(), buffer, sizeof buffer));
    EXPECT_EQ(buffer[0], large[kDigitImageBytes]);
    EXPECT_EQ(buffer[99], large[kDigitImageBytes + 99]);
    EXPECT_EQ(buffer[100], large[100]);

    // Far larger than 32 reads can take: it stops after the 32nd piece and does not hang.
    const auto huge = pattern(kDigitImageBytes * 40);
    dir.write("huge", huge);
    EXPECT_TRUE(loadDigitImage(dir.file("huge").c_str(), buffer, sizeof buffer));
    EXPECT_EQ(std::vector<unsigned char>(std::begin(buffer), std::end(buffer)),
              std::vector<unsigned char>(huge.begin() + 31 * kDigitImageBytes,
                                         huge.begin() + 32 * kDigitImageBytes));
}

TEST(DigitImage, AnythingButAReadableFileIsSkippedAtOnce)
{
    const ScratchDirectory dir;
    unsigned char buffer[kDigitImageBytes] = {};
    dir.write("empty", {});
    ASSERT_EQ(mkdir(dir.file("folder").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0644), 0);
    // Reading process memory at address 0 fails even for root: an unreadable file.
    ASSERT_EQ(symlink("/proc/self/mem", dir.file("unreadable").c_str()), 0);

    const auto start = std::chrono::steady_clock::now();
    for (const char* name : {"missing", "empty", "folder", "pipe", "unreadable"})
    {
        EXPECT_FALSE(loadDigitImage(dir.file(name).c_str(), buffer, sizeof buffer)) << name;
    }
    EXPECT_FALSE(loadDigitImage(dir.file("empty").c_str(), nullptr, 0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    for (unsigned char byte : buffer)
    {
        ASSERT_EQ(byte, 0);
    }
}

TEST(DigitImage, TheGameStartsWhateverNumberRgbIs)
{
    const ScratchDirectory dir;
    char home[4096];
    ASSERT_NE(getcwd(home, sizeof home), nullptr);
    ASSERT_EQ(chdir(dir.file("").c_str()), 0);
    ASSERT_EQ(mkfifo("number.rgb", 0644), 0);
    const std::unique_ptr<Game> withPipe(new Game());
    EXPECT_EQ(withPipe->state, Falling);
    unlink("number.rgb");
    dir.write("number.rgb", pattern(kDigitImageBytes));
    const std::unique_ptr<Game> withFile(new Game());
    EXPECT_EQ(withFile->digitImage[kDigitImageBytes - 1], pattern(kDigitImageBytes).back());
    ASSERT_EQ(chdir(home), 0);
}
