// libFuzzer target for the server listing parser: whatever a server (or a
// hostile one) sends for LIST, curl's directory listing or sftp's "ls -lan",
// Unix and DOS/IIS lines mixed, and the SFTP folder cache's strict reading
// of sftp's own lines. The first input byte chooses the folder
// prefix sftp would put in front of the names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "transfer/remote_listing.h"
#include "transfer/sftp_folder_cache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const char* const prefixes[] = {"", "results/", "a b/", "/"};
    const std::string prefix = prefixes[data[0] & 3];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    for (const CRemoteEntry& entry : ParseListing(text, prefix)) {
        // A name is never empty and never carries a line end into the
        // commands built from it.
        if (entry.name.empty() || entry.name.find_first_of("\r\n") != std::string::npos)
            std::abort();
    }
    // What the cache takes from a listing is a plain name: no separator,
    // no control character, never "." or "..".
    if (const auto entries = CSftpFolderCache::ParseListing(text, prefix)) {
        for (const auto& [name, folder] : *entries) {
            (void)folder;
            if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\\r\n\t") != std::string::npos)
                std::abort();
        }
    }
    // The strict reader that the cache and the walk share: sftp's own
    // lines only, a name of plain bytes after the prefix.
    if (const auto read = ReadSftpListing(text, prefix)) {
        for (const CSftpListEntry& e : *read) {
            if (e.name.empty() || e.mode.size() != 10 || e.name.find_first_of("/\\\r\n\t") != std::string::npos)
                std::abort();
        }
    }
    CRemoteEntry one;
    if (ParseListingLine(text, one) && one.name.empty())
        std::abort();
    return 0;
}
