// The option bits of the setup: one 32-bit word in the setup data file.
// Unknown bits read from a file are kept.
#pragma once

#include <cstdint>

enum SetupFlags : uint32_t {
    SF_BRIDGEWEBS = 0x1,
    SF_ALERT_NO_BWS = 0x2,
    SF_LINK_HAND_RECORDS = 0x4,
    SF_ACTIVE_FTP = 0x8,
    SF_LINK_PDF_HAND_RECORDS = 0x10,
    SF_REBUILD_INDEX_FROM_WEBSITE = 0x20,
    SF_UPLOAD_TO_SUBDIRECTORIES = 0x40,
    SF_MULTI_PAGE_INDEX = 0x100,
    SF_AUTO_FILL_HAND_RECORD = 0x200,
    SF_ALERT_HAND_RECORD_NOT_FILLED = 0x400,
    SF_USE_CHECK_SCORE_DATA = 0x800,
    SF_ALERT_CHECK_SCORE_DATA = 0x1000,
};
