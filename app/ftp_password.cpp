// The stored FTP password: reading it back in either stored form, and
// protecting a newly entered one.
#include <algorithm>
#include <cerrno>

#include "app/blowfish.h"
#include "app/error_report.h"
#include "app/program_secret.h"
#include "app/quillmark_app.h"
#include "platform/text_helpers.h"
#include "platform/text_encoding.h"

namespace {

// The older form: Windows-1252 text padded to whole 8-byte blocks, the last
// byte giving the number of text bytes in the last block.
bool DecipherOlderForm(const std::vector<uint8_t>& blob, CSecretString& password, uint32_t& error)
{
    if (blob.size() % 8 != 0) {
        error = EBADMSG;
        return false;
    }
    CSecretBytes copy(blob.size());
    std::copy(blob.begin(), blob.end(), copy.Data());
    BlowfishContext ctx;
    BlowfishInit(ctx, kProgramSecret, kProgramSecretSize);
    BlowfishDecrypt(ctx, copy.Data(), copy.Size() / 8);
    BlowfishWipe(ctx);
    const unsigned k = copy.Data()[copy.Size() - 1];
    if (k >= 8) {
        error = EBADMSG;
        return false;
    }
    std::string narrow(reinterpret_cast<const char*>(copy.Data()), copy.Size() - 8 + k);
    std::string text = Cp1252ToUtf8(narrow);
    WipeString(narrow);
    password.Assign(text);
    WipeString(text);
    return true;
}

}  // namespace

bool CQuillmarkApp::DecryptPassword(const std::vector<uint8_t>& blob, int32_t flag,
                                    CSecretString& password, uint32_t& error)
{
    password.Clear();
    if (blob.empty()) {
        SetStatusText("Setup required: FTP Password", 2);
        error = ENODATA;
        return false;
    }
    if (flag == 0)
        return DecipherOlderForm(blob, password, error);
    if (flag != 1) {
        error = EBADMSG;
        return false;
    }
    CSecretBytes plain;
    if (!DataProtector().Unprotect(blob, kProgramSecret, kProgramSecretSize, plain, error))
        return false;
    // Passwords are always protected as UTF-16LE code units.
    if (plain.Size() % 2 != 0) {
        error = EBADMSG;
        return false;
    }
    std::u16string units(plain.Size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(plain.Data()[2 * i] | (plain.Data()[2 * i + 1] << 8));
    std::string text = Utf16ToUtf8(units);
    WipeBytes(&units[0], units.size() * sizeof(char16_t));
    password.Assign(text);
    WipeString(text);
    return true;
}

bool CQuillmarkApp::GetFtpPassword(CSecretString& password, bool showStatus)
{
    password.Clear();
    if (showStatus && !SetStatusText("Decrypting FTP password", 2))
        return false;
    uint32_t error = 0;
    if (DecryptPassword(m_Setup.m_ProtectedPassword, m_Setup.m_bPasswordProtected, password, error))
        return true;
    password.Clear();
    ShowErrorMessage(StrFormat("Cannot decrypt the FTP Password (error code 0x%08X).\r\n\r\n"
                               "Use Setup to reenter the FTP Password.",
                               error));
    return false;
}

bool CQuillmarkApp::SetFtpPassword(const std::string& password)
{
    if (password.empty()) {
        WipeVector(m_Setup.m_ProtectedPassword);
        return true;
    }
    // Nothing of the stored password is touched until the new one is safe.
    const std::string kept =
        m_Setup.m_ProtectedPassword.empty() ? "" : "\r\n\r\nThe FTP Password stored before is kept.";
    if (!m_bDataProtectionUsable) {
        ShowErrorMessage("Unable to save password: encryption problem" + kept);
        return false;
    }
    std::u16string units = Utf8ToUtf16(password);
    CSecretBytes plain(units.size() * 2);
    for (size_t i = 0; i < units.size(); ++i) {
        plain.Data()[2 * i] = static_cast<uint8_t>(units[i] & 0xFF);
        plain.Data()[2 * i + 1] = static_cast<uint8_t>(units[i] >> 8);
    }
    WipeBytes(&units[0], units.size() * sizeof(char16_t));
    std::vector<uint8_t> blob;
    uint32_t error = 0;
    if (!DataProtector().Protect(plain.Data(), plain.Size(), "PWD", kProgramSecret, kProgramSecretSize,
                                 blob, error)) {
        LogOperation("CQuillmarkApp::OnSetupSetup: CQuillmarkApp::Encrypt");
        if (m_pLog) {
            m_pLog->WriteLastStatus();
            m_pLog->Printf("Error(%s)=[%s]\n", FormatErrorCode(error).c_str(), GetErrorText(error).c_str());
        }
        Prompter().MessageBox("Unable to save password: " + GetErrorText(error) + kept, MB_OK | MB_ICONERROR);
        return false;
    }
    WipeVector(m_Setup.m_ProtectedPassword);
    m_Setup.m_ProtectedPassword = std::move(blob);
    m_Setup.m_bPasswordProtected = 1;
    return true;
}
