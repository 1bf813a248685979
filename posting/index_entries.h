// The index entries as the index pages see them: their order, their rows
// and the long date text.
#pragma once

#include <cstdint>
#include <string>

#include "posting/index_pages.h"

class CScoreFile;

// "March 5, 2024" (English month names whatever the locale); empty when
// the time has no local form.
std::string FormatLongDate(int64_t time);

// The row of one entry; the links only where the setup asks for them and
// the entry's files were uploaded.
CIndexRow MakeIndexRow(const CScoreFile& entry, bool linkPdf, bool linkHandRecords);
