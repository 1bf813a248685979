#include <gtest/gtest.h>

#include "standin/pdf_writer.h"
#include "support/poppler_tools.h"
#include "support/test_app.h"

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
        FAIL() << "pdfinfo (poppler-utils, installed by scripts/install-deps) cannot be run";
    EXPECT_EQ(err, "") << "pdfinfo reports no damage (cross-reference offsets, stream lengths)";
    EXPECT_EQ(PdfInfoField(out, "PDF version"), "1.4") << "the version the writer's features need";
    EXPECT_EQ(PdfInfoField(out, "Pages"), "2");
    EXPECT_EQ(PdfInfoField(out, "Title"), "M\xC3\xBCller's (hand) records");

    ASSERT_TRUE(RunPopplerTool("pdftotext", path + " -", out, err));
    EXPECT_EQ(err, "");
    EXPECT_NE(out.find("Caf\xC3\xA9 (North) back\\slash"), std::string::npos) << out;
    EXPECT_NE(out.find("S AKQ2 \xE2\x82\xAC"), std::string::npos) << out;
    EXPECT_NE(out.find('\f'), std::string::npos);  // the page break

    EXPECT_FALSE(pdf.Save(dir.File("missing/out.pdf")));
}
