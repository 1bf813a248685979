#include "platform/line_splitter.h"

CLineSplitter::CLineSplitter(std::string_view text, LineEnds ends, size_t maxBytes)
    : m_text(text), m_ends(ends), m_maxBytes(maxBytes == 0 ? 1 : maxBytes)
{
}

void CLineSplitter::SeekTo(size_t pos)
{
    m_pos = pos < m_text.size() ? pos : m_text.size();
}

bool CLineSplitter::Next(TextLine& line)
{
    line = TextLine{};
    if (m_pos >= m_text.size())
        return false;
    const size_t start = m_pos;
    size_t end = m_text.find_first_of(m_ends == LineEnds::CrOrLf ? std::string_view("\r\n", 2) : "\n", start);
    size_t endBytes = 0;  // the length of the line end at end
    if (end == std::string_view::npos) {
        end = m_text.size();
    } else if (m_text[end] == '\r') {  // CrOrLf only
        endBytes = (end + 1 < m_text.size() && m_text[end + 1] == '\n') ? 2 : 1;
    } else {
        endBytes = 1;
        if (m_ends == LineEnds::CrLf && end > start && m_text[end - 1] == '\r') {
            --end;
            endBytes = 2;
        }
    }
    if (end - start > m_maxBytes) {
        line.text = m_text.substr(start, m_maxBytes);
        line.withEnd = line.text;
        line.cut = true;
        m_pos = start + m_maxBytes;
        return true;
    }
    line.text = m_text.substr(start, end - start);
    line.withEnd = m_text.substr(start, end - start + endBytes);
    line.ended = endBytes > 0;
    m_pos = end + endBytes;
    return true;
}

bool CLineSplitter::Next(std::string_view& line)
{
    TextLine whole;
    const bool more = Next(whole);
    line = whole.text;
    return more;
}

std::vector<std::string_view> SplitLines(std::string_view text, LineEnds ends)
{
    std::vector<std::string_view> lines;
    CLineSplitter splitter(text, ends);
    std::string_view line;
    while (splitter.Next(line))
        lines.push_back(line);
    return lines;
}

std::string_view TextBeforeNul(std::string_view text)
{
    return text.substr(0, text.find('\0'));
}
