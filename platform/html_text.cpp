#include "platform/html_text.h"

#include <cstdlib>

#include "platform/text_encoding.h"

namespace {

// Decodes the character reference that starts at s[i] ('&'); on success
// appends the character, moves i past the ';' and returns true.
bool DecodeReference(std::string_view s, size_t& i, std::string& out)
{
    const size_t semi = s.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10)
        return false;
    const std::string_view name = s.substr(i + 1, semi - i - 1);
    char32_t cp = 0;
    if (name == "gt") cp = '>';
    else if (name == "lt") cp = '<';
    else if (name == "amp") cp = '&';
    else if (name == "quot") cp = '"';
    else if (name == "apos") cp = '\'';
    else if (name == "nbsp") cp = ' ';
    else if (name.size() >= 2 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string digits(name.substr(hex ? 2 : 1));
        if (digits.empty() || digits[0] == '-' || digits[0] == '+' || digits[0] == ' ')
            return false;
        char* end = nullptr;
        const unsigned long v = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
        if (*end != '\0' || v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
            return false;
        cp = static_cast<char32_t>(v);
    } else {
        return false;
    }
    AppendUtf8(out, cp);
    i = semi + 1;
    return true;
}

}  // namespace

std::string HtmlEscape(std::string_view utf8, HtmlStyle style)
{
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 8);
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0x80 && style == HtmlStyle::Utf8) {
            out += static_cast<char>(byte);
            ++i;
            continue;
        }
        const char32_t cp = byte < 0x80 ? static_cast<char32_t>(utf8[i++]) : DecodeUtf8(utf8, i);
        switch (cp) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>':
            out += style == HtmlStyle::Utf8 ? ">" : "&gt;";
            break;
        case '"': out += "&quot;"; break;
        default:
            if (cp < 0x80)
                out += static_cast<char>(cp);
            else
                out += "&#" + std::to_string(static_cast<uint32_t>(cp)) + ";";
        }
    }
    return out;
}

std::string HtmlDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '&' && DecodeReference(text, i, out))
            continue;
        out += text[i++];
    }
    return out;
}
