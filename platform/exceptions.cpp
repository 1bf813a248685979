#include "platform/exceptions.h"

#include "platform/error_text.h"
#include "platform/hresult.h"

const char* CException::what() const noexcept
{
    try {
        m_what = GetErrorMessage();
    } catch (...) {
        return GetClassName();
    }
    return m_what.c_str();
}

CArchiveException::CArchiveException(Cause cause, std::string fileName)
    : m_cause(cause), m_strFileName(std::move(fileName)) {}

std::string CArchiveException::GetErrorMessage() const
{
    const std::string name = m_strFileName.empty() ? std::string("an unnamed file") : m_strFileName;
    switch (m_cause) {
    case badSchema: return "Unexpected file format.";
    case endOfFile: return "An attempt was made to read past the end of " + name + ".";
    case readOnly:  return "An attempt was made to write to " + name + " while it was open for reading.";
    case writeOnly: return "An attempt was made to read from " + name + " while it was open for writing.";
    case badIndex:
    case badClass:
    case genericException:
    case none:
    default:        return "An invalid format was encountered while reading " + name + ".";
    }
}

CFileException::CFileException(int osError, std::string fileName)
    : m_lOsError(osError), m_strFileName(std::move(fileName)) {}

std::string CFileException::GetErrorMessage() const
{
    std::string text = SystemErrorText(m_lOsError);
    if (!m_strFileName.empty())
        text = m_strFileName + ": " + text;
    return text;
}

std::string CInvalidArgException::GetErrorMessage() const
{
    return m_detail.empty() ? std::string("Encountered an improper argument.")
                            : "Encountered an improper argument: " + m_detail;
}

std::string CInternetException::GetErrorMessage() const
{
    return m_message.empty() ? InternetErrorText(m_dwError) : m_message;
}

std::string COleException::GetErrorMessage() const
{
    if (!m_message.empty())
        return m_message;
    std::string text = HResultText(m_sc);
    if (!text.empty())
        return text;
    char buf[64];
    std::snprintf(buf, sizeof buf, "Automation error 0x%08X.", static_cast<unsigned>(m_sc));
    return buf;
}
