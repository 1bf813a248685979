// A minimal PDF 1.4 writer: pages of text in the standard Type 1 fonts
// (no embedding, WinAnsiEncoding) and straight lines, uncompressed content
// streams, a classic cross-reference table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CPdfWriter {
public:
    enum Font { Helvetica = 0, HelveticaBold, Courier, CourierBold, kFontCount };

    void SetTitle(std::string title) { m_title = std::move(title); }
    // Starts a new page (points; US Letter by default). Drawing before the
    // first call starts a page of the default size.
    void NewPage(double width = 612, double height = 792);

    // Text with its baseline starting at (x, y), origin at the bottom left.
    // UTF-8; characters that Windows-1252 lacks become '?'.
    void Text(double x, double y, Font font, double size, std::string_view utf8);
    void Line(double x1, double y1, double x2, double y2, double width = 0.5);

    // The whole file.
    std::string Build() const;
    // Writes the file; false with errno set when it cannot be written.
    bool Save(const std::string& path) const;

private:
    struct Page {
        double width = 612;
        double height = 792;
        std::string content;
    };
    Page& Current();

    std::string m_title;
    std::vector<Page> m_pages;
};
