// The netrc file that hands the FTP credentials to curl for one run: made
// with mode 0600 in the temporary folder, and overwritten with zeros and
// deleted as soon as the run is over (the destructor does it, so a failed
// or cancelled run leaves nothing behind).
#pragma once

#include <string>
#include <string_view>

class CFTPSettings;
class ITransferHost;

// A netrc token in the quoted form curl's parser reads back: in double
// quotes, with a backslash before '"' and '\', and \n, \r, \t for those
// characters.
std::string QuoteNetrcToken(std::string_view token);
// "machine <server>\nlogin <user>\npassword <password>\n", every token quoted.
std::string FormatNetrc(std::string_view server, std::string_view user, std::string_view password);

class CSecretFile {
public:
    CSecretFile() = default;
    ~CSecretFile();
    CSecretFile(const CSecretFile&) = delete;
    CSecretFile& operator=(const CSecretFile&) = delete;

    // Writes the netrc file for the settings' server and user with the
    // application's FTP password. False (reported) when the password is
    // not available, holds a line break or NUL, or the file cannot be made
    // or written whole; no file is left then.
    bool WriteNetrc(ITransferHost& app, const CFTPSettings& settings, std::string& path);
    // Makes the file in folder (the temporary folder when empty) and writes
    // content; false when that fails.
    bool WriteFile(const std::string& content, const std::string& folder = {});
    // Overwrites the file with zeros, truncates and deletes it.
    void Delete();
    const std::string& GetPath() const { return m_path; }

private:
    std::string m_path;
};
