// Lines of a text held in memory. Every place that reads a text line by line
// (score files, pages, logs, lists, the transcripts of the programs we run)
// splits it here, so the handling of CR, of a missing final line end and of
// an over-long line is the same wherever the text came from.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// What ends a line.
enum class LineEnds {
    Lf,      // a LF; a CR stays in the line like any other byte
    CrLf,    // a LF, and a CR right before it goes with it; any other CR stays
    CrOrLf,  // a CR LF pair, a lone LF or a lone CR
};

struct TextLine {
    std::string_view text;     // the line without its line end
    std::string_view withEnd;  // the same bytes followed by the line end that closed them, if any
    bool ended = false;        // a line end closed it (not so for the last bytes of a text without
                               // a final line end, nor for the first pieces of a cut line)
    bool cut = false;          // the line ran past the limit: text holds its first maxBytes bytes,
                               // and the rest comes as the next line(s)
};

class CLineSplitter {
public:
    static constexpr size_t kNoLimit = static_cast<size_t>(-1);

    // NUL bytes are bytes like any other here; where a NUL ends the text,
    // pass TextBeforeNul(text).
    explicit CLineSplitter(std::string_view text, LineEnds ends = LineEnds::CrLf, size_t maxBytes = kNoLimit);

    // The next line; false once the text is used up. A text that ends with a
    // line end gives no empty line after it; an empty text gives no line.
    bool Next(TextLine& line);
    bool Next(std::string_view& line);

    // The bytes not read yet, and their offset in the text.
    std::string_view Rest() const { return m_text.substr(m_pos); }
    size_t Position() const { return m_pos; }
    // Goes on reading at offset pos (at most the text's size).
    void SeekTo(size_t pos);

private:
    std::string_view m_text;
    LineEnds m_ends;
    size_t m_maxBytes;
    size_t m_pos = 0;
};

// Every line of text, without its line end.
std::vector<std::string_view> SplitLines(std::string_view text, LineEnds ends = LineEnds::CrLf);

// The text up to its first NUL byte (all of it if it holds none).
std::string_view TextBeforeNul(std::string_view text);
