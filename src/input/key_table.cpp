#include "input/key_table.h"

std::string keyName(unsigned char key)
{
    return key == ' ' ? "space" : std::string(1, static_cast<char>(key));
}

const ArrowNames& arrowNames(Arrow arrow)
{
    // By the arrow's place in Arrow.
    static constexpr ArrowNames kNames[] = {
        {"", ""}, {"Left", "\u2190"}, {"Up", "\u2191"}, {"Right", "\u2192"}, {"Down", "\u2193"}};
    return kNames[static_cast<int>(arrow)];
}

std::string keysHelp()
{
    // The keys in a column wide enough for the longest, "c or Right", and two spaces more.
    constexpr size_t kKeysWidth = 13;
    std::string text = "Keys:\n";
    for (const KeyBinding& binding : kKeyBindings)
    {
        std::string keys = keyName(binding.key);
        if (binding.arrow != Arrow::none)
        {
            keys += std::string(" or ") + arrowNames(binding.arrow).name;
        }
        keys.resize(kKeysWidth, ' ');
        text += "  " + keys + binding.help + "\n";
    }
    return text;
}
