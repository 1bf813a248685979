#include "app/setup_data.h"

#include "platform/secret.h"

void CSetupData::CopyStoredFields(const CSetupData& from)
{
    if (this == &from)
        return;
    m_HandRecordFolders = from.m_HandRecordFolders;
    m_strScoreFileDirectory = from.m_strScoreFileDirectory;
    m_tPostFilesModifiedAfter = from.m_tPostFilesModifiedAfter;
    m_nHandRecordFilterIndex = from.m_nHandRecordFilterIndex;
    m_strHtmlLayout = from.m_strHtmlLayout;
    m_strPdfLayout = from.m_strPdfLayout;
    m_tLastPublishIndex = from.m_tLastPublishIndex;
    m_strStagingFolder = from.m_strStagingFolder;
    m_strWebsiteUrl = from.m_strWebsiteUrl;
    m_strIndexTemplate = from.m_strIndexTemplate;
    m_strIndexFile = from.m_strIndexFile;
    m_tOldestToIndex = from.m_tOldestToIndex;
    m_nDaysToIndex = from.m_nDaysToIndex;
    m_strWebsiteScoreFileDirectory = from.m_strWebsiteScoreFileDirectory;
    m_strScoreFileTemplate = from.m_strScoreFileTemplate;
    m_Ftp.m_strServer = from.m_Ftp.m_strServer;
    m_Ftp.m_strUser = from.m_Ftp.m_strUser;
    m_Ftp.m_strDirectory = from.m_Ftp.m_strDirectory;
    m_Ftp.m_nProtocol = from.m_Ftp.m_nProtocol;
    for (int i = 0; i < 3; ++i) {
        m_Ftp.m_strPort[i] = from.m_Ftp.m_strPort[i];
        m_Ftp.m_strParameters[i] = from.m_Ftp.m_strParameters[i];
    }
    m_Ftp.m_dwFlags = from.m_Ftp.m_dwFlags;
    m_bPasswordProtected = from.m_bPasswordProtected;
    WipeVector(m_ProtectedPassword);
    m_ProtectedPassword = from.m_ProtectedPassword;
}
