#include <gtest/gtest.h>

#include <map>
#include <string>

#include "posting/command_table.h"

// Each text and key lives in one row: two rows sharing a key would leave one
// of them unreachable from the keyboard, and two sharing a menu text would
// show the user two items that look alike.
TEST(CommandTable, EveryKeyAndMenuTextBelongsToOneCommand)
{
    std::map<std::string, unsigned> keys;
    std::map<std::string, unsigned> texts;
    for (const CommandEntry& entry : CommandTable()) {
        for (const std::string& key : CommandKeys(entry)) {
            const auto [it, added] = keys.emplace(key, entry.id);
            EXPECT_TRUE(added) << key << " is bound to " << it->second << " and " << entry.id;
        }
        if (*entry.menuText) {
            const auto [it, added] = texts.emplace(entry.menuText, entry.id);
            EXPECT_TRUE(added) << entry.menuText << " is the text of " << it->second << " and " << entry.id;
        }
        EXPECT_EQ(FindCommand(entry.id), &entry);
    }
}

TEST(CommandTable, CaptionsShowTheirCommandsKeys)
{
    struct Case {
        unsigned id;
        const char* caption;
        std::vector<std::string> keys;
    } cases[] = {
        {CMD_POST_GAMES, "Post Games (F4)", {"F4"}},
        {CMD_FILE_REPOST, "Repost (Shift+F4)", {"Shift+F4"}},
        // A key bound but not shown stays out of the caption.
        {CMD_HELP, "", {"F1"}},
        {CMD_FILE_NEW, "", {"Ctrl+N"}},
    };
    for (const Case& c : cases) {
        const CommandEntry* entry = FindCommand(c.id);
        ASSERT_NE(entry, nullptr) << c.id;
        EXPECT_EQ(CommandCaption(*entry), c.caption) << c.id;
        EXPECT_EQ(CommandKeys(*entry), c.keys) << c.id;
    }
}
