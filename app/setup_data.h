// The setup record: every setting a club enters in Setup, with the FTP
// settings and the option bits.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "posting/search_path.h"
#include "transfer/ftp_settings.h"

class CSetupData {
public:
    // The settings of a new setup (no lowest Oldest To Index date, the
    // password in the older form until a protector says otherwise).
    CSetupData();
    CSetupData(const CSetupData&) = delete;

    CSearchPath m_HandRecordFolders;
    std::string m_strScoreFileDirectory;
    int64_t m_tPostFilesModifiedAfter = 0;
    uint32_t m_nHandRecordFilterIndex = 0;
    std::string m_strHtmlLayout;
    std::string m_strPdfLayout;
    int64_t m_tLastPublishIndex = 0;
    std::string m_strStagingFolder;
    std::string m_strWebsiteUrl;
    std::string m_strIndexTemplate;
    std::string m_strIndexFile;
    int64_t m_tOldestToIndex = 0;
    int32_t m_nDaysToIndex = 0;
    std::string m_strWebsiteScoreFileDirectory;
    std::string m_strScoreFileTemplate;
    CFTPSettings m_Ftp;
    // The stored password is protected by the data protector (1), or held
    // in the older cipher form (0).
    int32_t m_bPasswordProtected = 0;
    std::vector<uint8_t> m_ProtectedPassword;

    // Copies every field a setup data file holds (not the FTP session).
    void CopyStoredFields(const CSetupData& from);

private:
    CSetupData& operator=(const CSetupData&) = default;
};
