// Text that goes into generated HTML and text that comes back out of it.
// Names, dates and other texts written into a page are escaped, so that a
// "&" or "<" in a club's event name shows as itself and never turns into
// markup; texts read back out of a page are decoded once, so that writing
// them into a page again gives the same bytes.
#pragma once

#include <string>
#include <string_view>

// How HtmlEscape writes a text.
enum class HtmlStyle {
    // & < > " escaped, characters outside ASCII as &#N; (decimal code
    // point): the text reads the same in any encoding.
    Portable,
    // & < " escaped, everything else kept as it is (UTF-8 pages): enough
    // both between tags and inside a double-quoted attribute value, and a
    // score text's "EVENT>" keeps its look.
    Utf8,
};

// Escapes a text for a page, so that nothing in it can open a tag, end an
// attribute value or start a character reference.
std::string HtmlEscape(std::string_view utf8, HtmlStyle style = HtmlStyle::Portable);

// Turns the character references &amp; &lt; &gt; &quot; &apos; &nbsp; (as a
// blank), &#N; and &#xN; back into characters (UTF-8). A reference that is
// not one of these, is not closed by ";" or names no valid character (NUL
// and surrogates included) stays as it is.
std::string HtmlDecode(std::string_view text);
