// Runs the poppler command-line tools (pdfinfo, pdftotext) on a PDF file so
// that tests can check generated PDFs with an independent reader.
#pragma once

#include <string>

// Runs "tool args..." with the file; out receives standard output, err
// standard error. False when the tool is not installed (the caller skips).
bool RunPopplerTool(const std::string& tool, const std::string& args, std::string& out, std::string& err);

// The value of one "Name:   value" line of pdfinfo's output, "(missing)"
// when there is none.
std::string PdfInfoField(const std::string& info, const std::string& name);
