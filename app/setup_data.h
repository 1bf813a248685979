// The setup record: every setting a club enters in Setup, with the FTP
// settings and the option bits.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/setup_flags.h"
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

    // The option word (SetupFlags). Active FTP is the FTP settings' own
    // field, which the FTP worker reads; the word carries it as SF_ACTIVE_FTP.
    uint32_t GetFlags() const
    {
        return (m_dwFlags & ~static_cast<uint32_t>(SF_ACTIVE_FTP)) | (m_Ftp.m_bActiveFtp ? SF_ACTIVE_FTP : 0u);
    }
    void SetFlags(uint32_t flags)
    {
        m_dwFlags = flags & ~static_cast<uint32_t>(SF_ACTIVE_FTP);
        m_Ftp.m_bActiveFtp = (flags & SF_ACTIVE_FTP) != 0;
    }

private:
    uint32_t m_dwFlags = 0;

    CSetupData& operator=(const CSetupData&) = default;
};
