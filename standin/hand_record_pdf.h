// The hand records as a PDF: one section per board (board number, dealer,
// vulnerability and the four hands laid out around the table), four
// boards to a US Letter page.
#pragma once

#include <string>
#include <vector>

#include "standin/pbn_reader.h"
#include "standin/pdf_writer.h"

void LayOutHandRecords(CPdfWriter& pdf, const std::string& title, const std::vector<PbnDeal>& deals);
