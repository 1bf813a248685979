#include "standin/score_text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/html_text.h"
#include "platform/line_splitter.h"
#include "platform/text_helpers.h"
#include "platform/text_encoding.h"

namespace {

bool IsPreMarker(std::string_view line)
{
    const std::string t = Trim(line);
    return EqualsNoCase(t, "<pre>") || EqualsNoCase(t, "</pre>");
}

}  // namespace

std::string DecodeScoreText(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    const std::string sane = SanitizeUtf8(bytes);
    return sane == bytes ? sane : Cp1252ToUtf8(bytes);
}

std::vector<std::string> ScoreTextLines(std::string_view text)
{
    std::vector<std::string> lines;
    CLineSplitter splitter(text, LineEnds::CrOrLf);
    std::string_view raw;
    while (splitter.Next(raw)) {
        if (IsPreMarker(raw))
            continue;
        lines.push_back(HtmlDecode(raw));
    }
    while (!lines.empty() && Trim(lines.back()).empty())
        lines.pop_back();
    return lines;
}

ScoreHeading FindScoreHeading(std::string_view text)
{
    ScoreHeading heading;
    const std::pair<const char*, std::string*> fields[] = {{"EVENT>", &heading.event},
                                                           {"SESSION>", &heading.session},
                                                           {"SECTION>", &heading.section},
                                                           {"DATE>", &heading.date}};
    for (const std::string& line : ScoreTextLines(text)) {
        for (const auto& [keyword, value] : fields) {
            const size_t at = line.find(keyword);
            if (!value->empty() || at == std::string::npos)
                continue;
            const size_t from = at + std::char_traits<char>::length(keyword);
            *value = Trim(std::string_view(line).substr(from, line.find('|', from) - from));
        }
    }
    return heading;
}

int BoardOfLine(std::string_view line)
{
    const std::string t = TrimLeft(line);
    size_t k;
    if (StartsWithNoCase(t, "board"))
        k = 5;
    else if (StartsWithNoCase(t, "bd"))
        k = 2;
    else
        return 0;
    if (k < t.size() && (t[k] == '.' || t[k] == ':'))
        ++k;
    while (k < t.size() && (t[k] == ' ' || t[k] == '\t'))
        ++k;
    size_t start = k;
    while (k < t.size() && t[k] >= '0' && t[k] <= '9' && k - start < 6)
        ++k;
    if (k == start)
        return 0;
    // "Board 12" but not "Board 12x" or "Bd 3rd".
    if (k < t.size() && std::isalnum(static_cast<unsigned char>(t[k])))
        return 0;
    return std::atoi(t.substr(start, k - start).c_str());
}

std::vector<int> FindScoreBoards(std::string_view text)
{
    std::vector<int> boards;
    for (const std::string& line : ScoreTextLines(text)) {
        const int board = BoardOfLine(line);
        if (board > 0)
            boards.push_back(board);
    }
    std::sort(boards.begin(), boards.end());
    boards.erase(std::unique(boards.begin(), boards.end()), boards.end());
    return boards;
}

std::vector<int> FindBoardsWithoutDeals(std::string_view text, const std::vector<PbnDeal>& deals)
{
    const CDealsByBoard byBoard(deals);
    std::vector<int> missing;
    for (int board : FindScoreBoards(text)) {
        if (!byBoard.Find(board))
            missing.push_back(board);
    }
    return missing;
}
