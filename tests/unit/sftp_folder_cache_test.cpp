// What an SFTP worker remembers of the remote folders: the entries read
// from sftp's listings, the keys that make one folder one entry however a
// step reached it, and how changes keep it true.
#include <gtest/gtest.h>

#include "transfer/sftp_folder_cache.h"

namespace {

using Entries = CSftpFolderCache::Entries;
using Kind = CSftpFolderCache::Kind;

const std::string kListed =
    "drwxr-xr-x    ? club     club         4096 Dec 10 00:08 2024/.\n"
    "drwxr-xr-x    ? club     club         4096 Dec 10 00:08 2024/..\n"
    "drwxr-xr-x    ? 1000     1000         4096 Dec 10 00:08 2024/05\n"
    "-rw-r--r--    ? 1000     1000            3 Jan  2  2023 2024/a b.htm\n"
    "lrwxrwxrwx    ? 1000     1000            4 Dec 10 00:08 2024/latest\n";

}  // namespace

// sftp writes a name's line break as it is and other bytes it cannot print
// as "\ooo": only a listing every line of which is sftp's own, in its
// order, gives the folder's entries; anything else leaves it unknown.
TEST(SftpFolderCache, ListingsGiveTheFoldersOwnEntriesOrNothing)
{
    struct Case {
        std::string text;
        const char* prefix;
        std::optional<Entries> expected;
    };
    const std::string line = "-rw-r--r--    ? 0        0               1 Dec 10 08:50 ";
    const Case cases[] = {
        // A folder given by name: its entries lose the name; the dots are
        // no entries; a link is told from a file; blanks stay in names.
        {kListed, "2024/", Entries{{"05", Kind::Folder}, {"a b.htm", Kind::File}, {"latest", Kind::Link}}},
        {line + " lead.htm\n" + "drwxr-xr-x 2 0 0 4096 Dec 10 00:08 .\n" + line + "index.htm\n" + line + "trail \n", "",
         Entries{{" lead.htm", Kind::File}, {"index.htm", Kind::File}, {"trail ", Kind::File}}},
        // A folder whose name begins with "-" is listed as "./-r".
        {line + "./-r/-f.htm\n", "./-r/", Entries{{"-f.htm", Kind::File}}},
        // A missing or empty folder answers nothing.
        {"", "nope/", Entries{}},
        // A file listed under its own name, another release's own line, a
        // line sftp never writes.
        {line + "2024\n", "2024/", std::nullopt},
        {"-rw-r--r--   1 club  club  3 Dec 10 00:08 a.htm\n", "2024/", std::nullopt},
        {"total 12\n" + line + "a\n", "", std::nullopt},
        // Names that cannot be told for certain: an escape, a CR, a tab.
        {line + "caf\\351\n", "", std::nullopt},
        {line + "cr\rx\n", "", std::nullopt},
        {line + "tab\there\n", "", std::nullopt},
        // A name holding a line break makes lines out of sftp's order.
        {line + "nl\n" + line + "fake.htm\n" + line + "sub\n", "", std::nullopt},
        {line + "b\n" + line + "b\n", "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CSftpFolderCache::ParseListing(c.text, c.prefix), c.expected);
    }
}

TEST(SftpFolderCache, OneFolderHasOneKeyAndChangesKeepItTrue)
{
    struct Case {
        const char* base;
        const char* folder;
        const char* key;
    };
    for (const Case& c : {Case{"www/results", "2024/05", "www/results/2024/05"},
                          Case{"www", "results/2024/05", "www/results/2024/05"},
                          Case{"www//results/", "./2024//05/", "www/results/2024/05"},
                          Case{"/srv/www", "", "/srv/www"}, Case{"/srv/www", "/abs", "/abs"},
                          Case{"", "", ""}, Case{"", "a", "a"}}) {
        EXPECT_EQ(CSftpFolderCache::Key(c.base, c.folder), c.key) << c.base << " + " << c.folder;
    }

    CSftpFolderCache cache;
    cache.Store("www", {{"results", Kind::Folder}});
    cache.Store("www/results", {{"2024", Kind::Folder}, {"index.htm", Kind::File}});
    cache.Store("www/results/2024", {{"p.htm", Kind::File}});
    cache.Store("www/results-old", {{"q.htm", Kind::File}});
    cache.Add("www/results", "new.htm", Kind::File);
    cache.Add("www/unlisted", "x.htm", Kind::File);
    EXPECT_EQ(cache.Find("www/unlisted"), nullptr) << "a folder never listed stays unknown";
    ASSERT_NE(cache.Find("www/results"), nullptr);
    EXPECT_EQ(cache.Find("www/results")->count("new.htm"), 1u);
    // A folder removed takes what was known below it, and nothing beside it.
    cache.Remove("www", "results");
    EXPECT_EQ(cache.Find("www/results"), nullptr);
    EXPECT_EQ(cache.Find("www/results/2024"), nullptr);
    ASSERT_NE(cache.Find("www/results-old"), nullptr);
    EXPECT_EQ(*cache.Find("www"), Entries{});

    // A folder whose listing could not be read is listed, and unknown.
    cache.StoreUnreadable("www/odd");
    EXPECT_TRUE(cache.Listed("www/odd"));
    EXPECT_EQ(cache.Find("www/odd"), nullptr);
    cache.Remove("www", "odd");
    EXPECT_FALSE(cache.Listed("www/odd"));
}
