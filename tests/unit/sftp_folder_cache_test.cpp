// What an SFTP worker remembers of the remote folders: the entries read
// from sftp's listings, the keys that make one folder one entry however a
// step reached it, and how changes keep it true.
#include <gtest/gtest.h>

#include "transfer/sftp_folder_cache.h"

namespace {

using Entries = CSftpFolderCache::Entries;

const char kListed[] =
    "drwxr-xr-x    ? club     club         4096 Dec 10 00:08 2024/.\n"
    "drwxr-xr-x    ? club     club         4096 Dec 10 00:08 2024/..\n"
    "drwxr-xr-x    ? club     club         4096 Dec 10 00:08 2024/05\n"
    "-rw-r--r--    ? club     club            3 Dec 10 00:08 2024/a b.htm\n"
    "lrwxrwxrwx    ? club     club            4 Dec 10 00:08 2024/latest\n"
    "-rw-r--r--    ? club     club            3 Dec 10 00:08 2024\n"
    "total 12\n";

}  // namespace

TEST(SftpFolderCache, ListingsGiveTheFoldersOwnEntriesOnly)
{
    struct Case {
        const char* text;
        const char* prefix;
        Entries expected;
    };
    const Case cases[] = {
        // A folder given by name: its entries lose the name; the dots, a
        // "total" line and a file listed under its own name are not
        // entries of it; a link is no folder; blanks stay in names.
        {kListed, "2024/", {{"05", true}, {"a b.htm", false}, {"latest", false}}},
        // The session's folder: names as they stand.
        {"drwxr-xr-x 2 u g 4096 Dec 10 00:08 .\n-rw-r--r-- 1 u g 1 Dec 10 00:08 index.htm\n", "",
         {{"index.htm", false}}},
        // A folder whose name begins with "-" is listed as "./-r".
        {"-rw-r--r-- 1 u g 1 Dec 10 00:08 ./-r/-f.htm\n", "./-r/", {{"-f.htm", false}}},
        // A missing folder answers nothing.
        {"", "nope/", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
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
    cache.Store("www", {{"results", true}});
    cache.Store("www/results", {{"2024", true}, {"index.htm", false}});
    cache.Store("www/results/2024", {{"p.htm", false}});
    cache.Store("www/results-old", {{"q.htm", false}});
    cache.Add("www/results", "new.htm", false);
    cache.Add("www/unlisted", "x.htm", false);
    EXPECT_EQ(cache.Find("www/unlisted"), nullptr) << "a folder never listed stays unknown";
    ASSERT_NE(cache.Find("www/results"), nullptr);
    EXPECT_EQ(cache.Find("www/results")->count("new.htm"), 1u);
    // A folder removed takes what was known below it, and nothing beside it.
    cache.Remove("www", "results");
    EXPECT_EQ(cache.Find("www/results"), nullptr);
    EXPECT_EQ(cache.Find("www/results/2024"), nullptr);
    ASSERT_NE(cache.Find("www/results-old"), nullptr);
    EXPECT_EQ(*cache.Find("www"), Entries{});
}
