// The results-page template of one posting run. For each score file a
// check pass settles where the page goes (asking about earlier postings of
// the same results), and after the layout program has made the page a
// merge pass copies the template into a staging file with the results body
// after the insert marker.
#pragma once

#include <cstdint>
#include <string>

#include "app/post_result.h"

class CScoreFile;
class CPageFile;

class CTemplateFile {
public:
    CTemplateFile() = default;
    CTemplateFile(const CTemplateFile&) = delete;
    CTemplateFile& operator=(const CTemplateFile&) = delete;

    // Fetches the template through the application's URL source. The
    // template must then hold exactly one insert marker, whatever the
    // outcome of the download.
    bool Download(const std::string& url);
    // The template text as if downloaded from url (UTF-8).
    void SetTemplate(const std::string& url, std::string text);

    // One pass over the template with a score file (null: just count the
    // markers). Success, Failed (the user has been told), Cancelled (the
    // user chose Cancel in a question) or StatusCancelled (the status
    // channel answered a cancel).
    PostResult Parse(bool merge, CScoreFile* scoreFile);
    // The work at one insert marker (insertIndex counts from 0).
    PostResult ProcessInsert(bool merge, int insertIndex, CScoreFile* scoreFile, CPageFile* staging);
    // Gives an extension-less page name the template's extension (lower
    // case); a template without one leaves the name alone.
    void AddTemplateExtension(std::string& name) const;

    int GetFound() const { return m_nFound; }
    const std::string& GetOutputName() const { return m_strOutputName; }
    const std::string& GetStagingPath() const { return m_strStagingPath; }

private:
    int m_nFound = 0;
    int m_nExpected = 0;
    std::string m_strTemplateUrl;
    std::string m_strOutputName;
    std::string m_strStagingPath;
    std::string m_text;
};
