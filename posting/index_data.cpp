#include "posting/index_data.h"

#include "platform/date_helpers.h"
#include "platform/path_helpers.h"
#include "platform/text_helpers.h"

std::string MonthPageFileName(const std::string& indexFile, int year, int month)
{
    return MakeSiblingFileName(indexFile, StrFormat("%04d%02d", year, month));
}

std::string MonthListFileName(const std::string& indexFile)
{
    return MakeSiblingFileName(indexFile, "ByMonth");
}

uint32_t MakeMonthKey(int year, int month)
{
    return (static_cast<uint32_t>(month) << 16) | (static_cast<uint32_t>(year) & 0xFFFFu);
}

uint32_t GetMonthKey(int64_t time)
{
    int year = 0, month = 0, day = 0;
    if (!LocalDateOf(time, year, month, day))
        return 0;
    return MakeMonthKey(year, month);
}

int64_t WeekNumberOfDay(int64_t dayNumber)
{
    // Day 0 was a Thursday: day 3 is the first Sunday.
    const int64_t shifted = dayNumber + 4;
    return shifted >= 0 ? shifted / 7 : -((-shifted + 6) / 7);
}
