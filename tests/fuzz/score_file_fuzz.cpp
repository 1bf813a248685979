// libFuzzer target for the score-file parser and the history reader. The
// first input byte chooses what the rest is fed to.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/archive.h"
#include "platform/exceptions.h"
#include "posting/score_file_collection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    ++data;
    --size;
    if (mode & 1) {
        CScoreFile f;
        f.SetPath((mode & 2) ? "/s/230905a.txt" : "/s/230905.aca");
        f.SetContent(std::string(reinterpret_cast<const char*>(data), size));
        if (mode & 4)
            f.SetFlags(f.GetFlags() | SFF_BINARY);
        if (mode & 8) {
            // A results page read back from the website by Index Website.
            f.SetFlags(f.GetFlags() & ~SFF_LOCAL);
            f.SetPath("2023/09/20230905ba.htm");
        }
        if (f.Parse(true) && (mode & 8)) {
            f.Close(true);
            f.FillFromFileName();
        }
        std::string key;
        f.GetKey(false, &key);
        f.GetFileCode();
        f.GetSessionText(true);
    } else {
        CArchive in(std::vector<uint8_t>(data, data + size), "fuzz.bin");
        in.SetRecordVersion((mode & 2) ? 1 : 0);
        CColScoreFile history;
        try {
            history.Serialize(in);
            for (int64_t i = 0; i < history.GetCount(); ++i)
                history.Lookup(history.ElementAt(i));
        } catch (const CArchiveException&) {
        }
    }
    return 0;
}
