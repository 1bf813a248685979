#include "ui/window_placement.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

// One integer at text[pos] (optional blanks and sign, automatic base);
// false when there is none or it does not fit an int.
bool ReadInt(const std::string& text, size_t& pos, long& value)
{
    const char* begin = text.c_str() + pos;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(begin, &end, 0);
    if (end == begin || errno == ERANGE || v < INT_MIN || v > INT_MAX)
        return false;
    value = v;
    pos += static_cast<size_t>(end - begin);
    return true;
}

// Reads "n<sep>n<sep>..." up to the first item that is not a number.
std::vector<long> ReadNumberList(const std::string& text)
{
    std::vector<long> numbers;
    size_t pos = 0;
    while (pos < text.size()) {
        long v = 0;
        if (!ReadInt(text, pos, v))
            break;
        numbers.push_back(v);
        ++pos;  // the separator
    }
    return numbers;
}

long long Overlap(const QMRect& a, const QMRect& b)
{
    const long long w = std::min(a.right, b.right) - std::max(a.left, b.left);
    const long long h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return (w > 0 && h > 0) ? w * h : 0;
}

long long DistanceSq(const QMRect& a, const QMRect& b)
{
    const long long dx = std::max<long long>({0, b.left - a.right, a.left - b.right});
    const long long dy = std::max<long long>({0, b.top - a.bottom, a.top - b.bottom});
    return dx * dx + dy * dy;
}

}  // namespace

bool ParseWindowRect(const std::string& text, QMRect& rect)
{
    long v[4];
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ':')
                return false;
            ++pos;
        }
        if (!ReadInt(text, pos, v[i]))
            return false;
    }
    if (text.find_first_not_of(" \t", pos) != std::string::npos)
        return false;
    rect.left = v[0];
    rect.right = v[1];
    rect.top = v[2];
    rect.bottom = v[3];
    return true;
}

std::string FormatWindowRect(const QMRect& rect)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%ld:%ld:%ld:%ld", rect.left, rect.right, rect.top, rect.bottom);
    return buf;
}

bool FitWindowRect(const QMRect& stored, const std::vector<QMRect>& workAreas,
                   const QMSize& minSize, QMRect& out)
{
    if (stored.Width() <= 0 || stored.Height() <= 0 || workAreas.empty())
        return false;
    // The display that holds most of the window, else the nearest one.
    const QMRect* area = nullptr;
    long long best = 0;
    for (const QMRect& a : workAreas) {
        const long long o = Overlap(stored, a);
        if (o > best) {
            best = o;
            area = &a;
        }
    }
    if (!area) {
        long long nearest = -1;
        for (const QMRect& a : workAreas) {
            const long long d = DistanceSq(stored, a);
            if (nearest < 0 || d < nearest) {
                nearest = d;
                area = &a;
            }
        }
    }
    if (area->Width() <= 0 || area->Height() <= 0)
        return false;
    const long width = std::max(std::min(stored.Width(), area->Width()), minSize.cx);
    const long height = std::max(std::min(stored.Height(), area->Height()), minSize.cy);
    long left = stored.left, top = stored.top;
    // A window cut down to the display's size is put wholly on it.
    if (stored.Width() > area->Width())
        left = area->left;
    if (stored.Height() > area->Height())
        top = area->top;
    if (left > area->right - 100)
        left = area->right - 100;
    if (left < area->left)
        left = area->left;
    if (top < area->top)
        top = area->top;
    if (top > area->bottom - 100)
        top = area->bottom - 100;
    out.left = left;
    out.top = top;
    out.right = left + width;
    out.bottom = top + height;
    return true;
}

ColumnState ParseColumnState(const std::string& width, const std::string& order,
                             const std::string& type, int columnCount)
{
    ColumnState state;
    const size_t count = columnCount > 0 ? static_cast<size_t>(columnCount) : 0;
    for (long w : ReadNumberList(width)) {
        if (state.widths.size() == count)
            break;
        state.widths.push_back(static_cast<int>(
            std::clamp<long>(w, kMinColumnWidth, kMaxColumnWidth)));
    }
    const std::vector<long> positions = ReadNumberList(order);
    if (count > 0 && positions.size() == count) {
        std::vector<bool> seen(count, false);
        bool permutation = true;
        for (long p : positions) {
            if (p < 0 || p >= columnCount || seen[static_cast<size_t>(p)]) {
                permutation = false;
                break;
            }
            seen[static_cast<size_t>(p)] = true;
        }
        if (permutation)
            state.order.assign(positions.begin(), positions.end());
    }
    size_t pos = 0;
    long view = 0;
    if (ReadInt(type, pos, view) && view >= LV_VIEW_ICON && view <= LV_VIEW_LIST)
        state.view = static_cast<int>(view);
    return state;
}

std::string JoinNumbers(const std::vector<int>& numbers)
{
    std::string text;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            text += ',';
        text += std::to_string(numbers[i]);
    }
    return text;
}
