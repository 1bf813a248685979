#include <gtest/gtest.h>

#include <sstream>

#include "platform/standin/pdf_writer.h"
#include "support/poppler_tools.h"
#include "support/test_app.h"

TEST(PdfWriter, CrossReferenceOffsetsPointAtTheirObjects)
{
    CPdfWriter pdf;
    pdf.SetTitle("Hand (records) \\ test");
    pdf.Text(72, 700, CPdfWriter::Helvetica, 12, "first");
    pdf.NewPage();
    pdf.Text(72, 700, CPdfWriter::Courier, 10, "second");
    const std::string bytes = pdf.Build();

    const size_t startxref = bytes.rfind("startxref\n");
    ASSERT_NE(startxref, std::string::npos);
    const size_t xref = std::stoul(bytes.substr(startxref + 10));
    ASSERT_EQ(bytes.compare(xref, 5, "xref\n"), 0);

    std::istringstream in(bytes.substr(xref + 5));
    int first = -1, count = 0;
    in >> first >> count;
    ASSERT_EQ(first, 0);
    in.ignore(1);
    std::string entry(20, '\0');
    in.read(&entry[0], 20);
    EXPECT_EQ(entry, "0000000000 65535 f \n");
    for (int n = 1; n < count; ++n) {
        in.read(&entry[0], 20);
        ASSERT_EQ(entry.substr(10), " 00000 n \n") << "entry " << n;
        const size_t offset = std::stoul(entry.substr(0, 10));
        const std::string header = std::to_string(n) + " 0 obj\n";
        EXPECT_EQ(bytes.compare(offset, header.size(), header), 0) << "object " << n;
    }

    // Each stream's length matches the bytes between "stream" and "endstream".
    int streams = 0;
    for (size_t at = bytes.find("/Length "); at != std::string::npos; at = bytes.find("/Length ", at + 1)) {
        const size_t length = std::stoul(bytes.substr(at + 8));
        const size_t start = bytes.find(">>\nstream\n", at) + 10;
        EXPECT_EQ(bytes.compare(start + length, 11, "\nendstream\n"), 0);
        ++streams;
    }
    EXPECT_EQ(streams, 2);
}

TEST(PdfWriter, PopplerReadsPagesTitleAndText)
{
    CPdfWriter pdf;
    pdf.SetTitle("M\xC3\xBCller's (hand) records");
    pdf.Text(72, 700, CPdfWriter::HelveticaBold, 14, "Caf\xC3\xA9 (North) back\\slash");
    pdf.Line(72, 690, 540, 690);
    pdf.NewPage(595, 842);
    pdf.Text(72, 700, CPdfWriter::Courier, 10, "S AKQ2 \xE2\x82\xAC");
    CTempFolder dir;
    const std::string path = dir.File("out.pdf");
    ASSERT_TRUE(pdf.Save(path));

    std::string out, err;
    if (!RunPopplerTool("pdfinfo", path, out, err))
        GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    EXPECT_EQ(err, "");
    EXPECT_EQ(PdfInfoField(out, "Pages"), "2");
    EXPECT_EQ(PdfInfoField(out, "Title"), "M\xC3\xBCller's (hand) records");

    ASSERT_TRUE(RunPopplerTool("pdftotext", path + " -", out, err));
    EXPECT_EQ(err, "");
    EXPECT_NE(out.find("Caf\xC3\xA9 (North) back\\slash"), std::string::npos) << out;
    EXPECT_NE(out.find("S AKQ2 \xE2\x82\xAC"), std::string::npos) << out;
    EXPECT_NE(out.find('\f'), std::string::npos);  // the page break

    EXPECT_FALSE(pdf.Save(dir.File("missing/out.pdf")));
}
