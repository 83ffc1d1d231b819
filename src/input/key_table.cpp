#include "input/key_table.h"

std::string keyName(unsigned char key)
{
    return key == ' ' ? "space" : std::string(1, static_cast<char>(key));
}

const char* arrowName(Arrow arrow)
{
    switch (arrow)
    {
        case Arrow::left:
            return "Left";
        case Arrow::up:
            return "Up";
        case Arrow::right:
            return "Right";
        case Arrow::down:
            return "Down";
        case Arrow::none:
            break;
    }
    return "";
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
            keys += std::string(" or ") + arrowName(binding.arrow);
        }
        keys.resize(kKeysWidth, ' ');
        text += "  " + keys + binding.help + "\n";
    }
    return text;
}
