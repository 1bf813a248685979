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


std::string LayoutScoreText()
{
    return
        "<pre>\r\n"
        "                    Springfield Duplicate Club\r\n"
        "    Open Pairs                 Monday Aft Session   September 4, 2023\r\n"
        "EVENT> Open Pairs | SESSION> Monday Aft | SECTION> A\r\n"
        "DATE> September 4, 2023 | MP LIMITS> 0/750/Open\r\n"
        "\r\n"
        " Section A  North-South\r\n"
        " Pair  Pct   Score  Rank  MPs\r\n"
        "   1  62.50  30.00    1   1.05  Jos\xE9 Mu\xF1oz - Ann Lee\r\n"
        "   2  45.83  22.00    2   0.74  Smith & Jones <guests>\r\n"
        "\r\n"
        " Board 1\r\n"
        "  NS  EW  Contract  By  Score  Matchpoints\r\n"
        "   1   2  4S        N    420      1.0  0.0\r\n"
        " Board 2\r\n"
        "   1   2  3NT       S    600      1.0  0.0\r\n"
        " Board 3\r\n"
        " Board 4\r\n"
        " Board 5\r\n"
        "</pre>\r\n";
}

std::string LayoutHandRecords()
{
    return
        "% PBN 2.1\r\n"
        "[Event \"Monday Afternoon Pairs\"]\r\n"
        "[Board \"2\"]\r\n[Dealer \"E\"]\r\n[Vulnerable \"NS\"]\r\n"
        "[Deal \"N:AK862.T652.T7.KQ Q7.K3.AQ2.965432 9543.QJ984.83.J7 JT.A7.KJ9654.AT8\"]\r\n"
        "\r\n"
        "[Board \"1\"]\r\n[Dealer \"N\"]\r\n[Vulnerable \"None\"]\r\n"
        "[Deal \"N:A643.KJT8.92.AK3 2.653.QJT7.T9842 KQ97.Q9.AK54.J75 JT85.A742.863.Q6\"]\r\n"
        "\r\n"
        "[Board \"3\"]\r\n[Dealer \"S\"]\r\n[Vulnerable \"EW\"]\r\n"
        "[Deal \"N:A3.J76.K7.AKT654 Q62.AKQ42.A865.3 K8754.53.J932.87 JT9.T98.QT4.QJ92\"]\r\n"
        "\r\n"
        "[Board \"4\"]\r\n[Dealer \"W\"]\r\n[Vulnerable \"All\"]\r\n"
        "[Deal \"N:T7.AT65.KQ.T7654 KQ984.K83..QJ983 J62.Q72.JT8752.K A53.J94.A9643.A2\"]\r\n"
        "\r\n"
        "[Board \"6\"]\r\n[Dealer \"E\"]\r\n[Vulnerable \"EW\"]\r\n"
        "[Deal \"N:.KQ93.AK863.Q873 AQJ62.T72.Q.AK94 KT843.AJ6.754.J2 975.854.JT92.T65\"]\r\n";
}

}  // namespace samples
