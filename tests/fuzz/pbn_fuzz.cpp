// libFuzzer target for the PBN hand-record reader and what the layout
// component does with the deals it returns: the board lookup, the boards a
// score text names without a deal, and the hand-record PDF.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "standin/hand_record_pdf.h"
#include "standin/pbn_reader.h"
#include "standin/pdf_writer.h"
#include "standin/score_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    PbnFile file;
    std::string error;
    if (!ReadPbn(text, file, error)) {
        if (error.empty() || !file.deals.empty())
            std::abort();  // a refusal always says why and keeps nothing
        return 0;
    }
    SortDeals(file.deals);
    const CDealsByBoard byBoard(file.deals);
    for (const PbnDeal& deal : file.deals) {
        const PbnDeal* found = byBoard.Find(deal.board);
        if (!found || found->board != deal.board)
            std::abort();
        for (int seat = 0; seat < 4; ++seat) {
            if (!deal.known[seat])
                continue;
            size_t cards = 0;
            for (const std::string& suit : deal.suits[seat])
                cards += suit.size();
            if (cards != 13)
                std::abort();
        }
    }
    FindBoardsWithoutDeals(text, file.deals);
    if (size < 4096) {  // the PDF is slow; small inputs reach every branch
        CPdfWriter pdf;
        LayOutHandRecords(pdf, file.event, file.deals);
        pdf.Build();
    }
    return 0;
}
