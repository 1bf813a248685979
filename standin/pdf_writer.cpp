#include "standin/pdf_writer.h"

#include <cerrno>
#include <cstdio>

#include "platform/text_encoding.h"

namespace {

const char* const kFontNames[CPdfWriter::kFontCount] = {
    "Helvetica", "Helvetica-Bold", "Courier", "Courier-Bold"};

std::string Num(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    // Trim "12.50" to "12.5" and "12.00" to "12".
    std::string s = buf;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

// A PDF literal string of Windows-1252 bytes: parentheses and backslashes
// escaped, bytes outside printable ASCII written in octal.
std::string PdfString(std::string_view utf8)
{
    const std::string bytes = Utf8ToCp1252(utf8);
    std::string out = "(";
    for (unsigned char c : bytes) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += ')';
    return out;
}

}  // namespace

void CPdfWriter::NewPage(double width, double height)
{
    Page page;
    page.width = width;
    page.height = height;
    m_pages.push_back(std::move(page));
}

CPdfWriter::Page& CPdfWriter::Current()
{
    if (m_pages.empty())
        NewPage();
    return m_pages.back();
}

void CPdfWriter::Text(double x, double y, Font font, double size, std::string_view utf8)
{
    std::string& c = Current().content;
    c += "BT /F" + std::to_string(font + 1) + " " + Num(size) + " Tf " + Num(x) + " " + Num(y) +
         " Td " + PdfString(utf8) + " Tj ET\n";
}

void CPdfWriter::Line(double x1, double y1, double x2, double y2, double width)
{
    std::string& c = Current().content;
    c += Num(width) + " w " + Num(x1) + " " + Num(y1) + " m " + Num(x2) + " " + Num(y2) + " l S\n";
}

std::string CPdfWriter::Build() const
{
    std::vector<Page> pages = m_pages;
    if (pages.empty())
        pages.emplace_back();  // a document has at least one page

    // Object numbers: 1 catalog, 2 page tree, 3.. fonts, then the
    // information dictionary, then a page and its content per page.
    const int firstFont = 3;
    const int info = firstFont + kFontCount;
    const int firstPage = info + 1;
    const int objectCount = firstPage + 2 * static_cast<int>(pages.size());  // including object 0

    std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<size_t> offsets(objectCount, 0);
    auto begin = [&](int number) {
        offsets[number] = out.size();
        out += std::to_string(number) + " 0 obj\n";
    };
    auto end = [&]() { out += "endobj\n"; };

    begin(1);
    out += "<< /Type /Catalog /Pages 2 0 R >>\n";
    end();

    begin(2);
    out += "<< /Type /Pages /Kids [";
    for (size_t i = 0; i < pages.size(); ++i)
        out += (i ? " " : "") + std::to_string(firstPage + 2 * static_cast<int>(i)) + " 0 R";
    out += "] /Count " + std::to_string(pages.size()) + " >>\n";
    end();

    for (int f = 0; f < kFontCount; ++f) {
        begin(firstFont + f);
        out += std::string("<< /Type /Font /Subtype /Type1 /BaseFont /") + kFontNames[f] +
               " /Encoding /WinAnsiEncoding >>\n";
        end();
    }

    begin(info);
    out += "<< /Producer (Quillmark)";
    if (!m_title.empty())
        out += " /Title " + PdfString(m_title);
    out += " >>\n";
    end();

    std::string fonts = "<< ";
    for (int f = 0; f < kFontCount; ++f)
        fonts += "/F" + std::to_string(f + 1) + " " + std::to_string(firstFont + f) + " 0 R ";
    fonts += ">>";

    for (size_t i = 0; i < pages.size(); ++i) {
        const int number = firstPage + 2 * static_cast<int>(i);
        begin(number);
        out += "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Num(pages[i].width) + " " +
               Num(pages[i].height) + "] /Resources << /Font " + fonts + " >> /Contents " +
               std::to_string(number + 1) + " 0 R >>\n";
        end();
        begin(number + 1);
        out += "<< /Length " + std::to_string(pages[i].content.size()) + " >>\nstream\n";
        out += pages[i].content;
        out += "\nendstream\n";
        end();
    }

    const size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objectCount) + "\n";
    out += "0000000000 65535 f \n";
    for (int n = 1; n < objectCount; ++n) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offsets[n]);
        out += entry;
    }
    out += "trailer\n<< /Size " + std::to_string(objectCount) + " /Root 1 0 R /Info " +
           std::to_string(info) + " 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

bool CPdfWriter::Save(const std::string& path) const
{
    const std::string bytes = Build();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int writeErrno = errno;
    if (std::fclose(f) != 0 || !written) {
        if (!written)
            errno = writeErrno ? writeErrno : EIO;
        return false;
    }
    return true;
}
