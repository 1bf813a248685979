#include "support/score_samples.h"

namespace samples {

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

std::string TuesdayPairs()
{
    return WithCrLf(
        "<html>\n"
        "<head><title>Tuesday Pairs</title></head>\n"
        "<body>\n"
        "<pre>\n"
        "<!-- EVENT&gt;Tuesday Pairs  |SESSION&gt;Tuesday Aft|SECTION&gt;A|DATE&gt;Sep 5, 2023|MP LIMITS&gt;0-750| -->\n"
        "                       Tuesday Pairs\n"
        "                 Tuesday Afternoon Session\n"
        "                     September 5, 2023\n"
        "  Scores after 24 boards  Average:   84.0      Section  A\n"
        "\n"
        "  Pair    Pct   Score  Rank   MPs     Names\n"
        "   1    61.31  103.00   1    1.20     Ada Norling - Bo Carrow\n"
        "   4    55.95   94.00   2    0.84     Cyd Pellam - Dru Hask\n"
        "   2    48.21   81.00   3    0.60     Eve Marten - Flo Riddle\n"
        "   3    34.52   58.00   4             Gus Terry - Hal Inge\n"
        "</pre>\n"
        "</body>\n"
        "</html>\n");
}

std::string WednesdayTwoEvents()
{
    return
        "<pre>\n"
        "EVENT>Open Pairs\n"
        "SESSION>Wednesday Eve\n"
        "SECTION> AB\n"
        "DATE>September 6, 2023\n"
        "MP LIMITS>None\n"
        "                       Open Pairs\n"
        "  Pair    Pct   Score  Rank   MPs     Names\n"
        "   1    58.00   58.00   1    0.90     Ida Jonn - Kit Lamb\n"
        "\n"
        "EVENT>299er Pairs\n"
        "SESSION>Wednesday Eve\n"
        "SECTION>C\n"
        "DATE>September 6, 2023\n"
        "MP LIMITS>0-299\n"
        "                      299er Pairs\n"
        "   1    52.00   52.00   1    0.40     Mo Nash - Ned Opal\n"
        "</pre>\n";
}

std::string ThursdayEventSessionLine()
{
    return
        "\n"
        "Club Championship Thursday Morn Session September 7, 2023\n"
        "               Section  AA   North-South\n"
        "  Pair    Pct   Score  Rank   MPs     Names\n"
        "   1    57.10   40.00   1    0.75     Pia Quell - Rex Sand\n";
}

std::string NoKeywords()
{
    return "Club notes\nNo game today.\n";
}

}  // namespace samples
