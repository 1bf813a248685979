#include <gtest/gtest.h>

#include <sys/stat.h>

#include "app/data_protector.h"
#include "platform/path_helpers.h"
#include "app/program_secret.h"
#include "platform/text_helpers.h"
#include "support/test_app.h"

TEST_F(AppTest, ProtectedBlobsOpenOnlyUnderTheirKeyAndEntropy)
{
    CSodiumDataProtector protector(JoinPath(dataDir, kMachineKeyFileName));
    const std::vector<uint8_t> plain{'p', 'w', '!'};
    std::vector<uint8_t> blob, again;
    uint32_t error = 0;
    ASSERT_TRUE(protector.Protect(plain.data(), plain.size(), "PWD", kProgramSecret, kProgramSecretSize, blob, error));
    struct stat st {};
    ASSERT_EQ(::stat(protector.KeyPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string key = ReadWholeFile(protector.KeyPath());

    // A later run reads the same key back and never makes another.
    CSodiumDataProtector later(protector.KeyPath());
    CSecretBytes back;
    ASSERT_TRUE(later.Unprotect(blob, kProgramSecret, kProgramSecretSize, back, error));
    EXPECT_EQ(std::vector<uint8_t>(back.Data(), back.Data() + back.Size()), plain);
    ASSERT_TRUE(later.Protect(plain.data(), plain.size(), "PWD", nullptr, 0, again, error));
    EXPECT_EQ(ReadWholeFile(protector.KeyPath()), key);
    EXPECT_NE(again, blob);

    // Wrong entropy, every changed bit and every cut are refused.
    std::vector<uint8_t> other(kProgramSecret, kProgramSecret + kProgramSecretSize);
    other[5] ^= 1;
    EXPECT_FALSE(later.Unprotect(blob, nullptr, 0, back, error));
    EXPECT_FALSE(later.Unprotect(blob, other.data(), other.size(), back, error));
    EXPECT_EQ(error, static_cast<uint32_t>(EBADMSG));
    for (size_t i = 0; i < blob.size(); ++i) {
        std::vector<uint8_t> changed = blob;
        changed[i] ^= 0x40;
        EXPECT_FALSE(later.Unprotect(changed, kProgramSecret, kProgramSecretSize, back, error)) << i;
        changed.assign(blob.begin(), blob.begin() + static_cast<std::ptrdiff_t>(i));
        EXPECT_FALSE(later.Unprotect(changed, kProgramSecret, kProgramSecretSize, back, error)) << i;
    }

    // Another computer (another key) cannot read it.
    CTempFolder elsewhere;
    CSodiumDataProtector foreign(elsewhere.File(kMachineKeyFileName));
    ASSERT_TRUE(foreign.Protect(plain.data(), plain.size(), "", nullptr, 0, again, error));
    EXPECT_FALSE(foreign.Unprotect(blob, kProgramSecret, kProgramSecretSize, back, error));
    EXPECT_EQ(error, static_cast<uint32_t>(EBADMSG));

    // Reading never makes a key; a damaged key is refused and kept.
    CSodiumDataProtector keyless(elsewhere.File("none.key"));
    EXPECT_FALSE(keyless.Unprotect(blob, kProgramSecret, kProgramSecretSize, back, error));
    EXPECT_EQ(error, static_cast<uint32_t>(ENOKEY));
    EXPECT_FALSE(FileExists(elsewhere.File("none.key")));
    CSodiumDataProtector damaged(elsewhere.Write("short.key", "0123456789"));
    EXPECT_FALSE(damaged.Protect(plain.data(), plain.size(), "", nullptr, 0, again, error));
    EXPECT_EQ(error, static_cast<uint32_t>(EKEYREJECTED));
    EXPECT_EQ(ReadWholeFile(elsewhere.File("short.key")), "0123456789");
    EXPECT_TRUE(back.Empty());
}

TEST_F(AppTest, PasswordsRoundTripInEveryScript)
{
    app->TestDataProtection();
    // ASCII, Latin, CJK and a character outside the BMP: all stored as
    // UTF-16LE and read back as such.
    for (const std::string pw : {"hunter2", "p\xC3\xA4sswort", "\xE5\xAF\x86\xE7\xA0\x81\xE4\xB8\x80",
                                 "\xF0\x9F\x94\x91key"}) {
        ASSERT_TRUE(app->SetFtpPassword(pw));
        EXPECT_EQ(app->Setup().m_bPasswordProtected, 1);
        CSecretString back;
        ASSERT_TRUE(app->GetFtpPassword(back, true)) << pw;
        EXPECT_EQ(back.Get(), pw);
    }
    EXPECT_EQ(frame.LastText(), std::make_pair(2, std::string("Decrypting FTP password")));
    ASSERT_TRUE(app->SetFtpPassword(""));
    EXPECT_TRUE(app->Setup().m_ProtectedPassword.empty());
}

TEST_F(AppTest, PasswordFailuresTellTheUser)
{
    CSecretString pw;
    EXPECT_FALSE(app->GetFtpPassword(pw, false));
    EXPECT_EQ(frame.GetLastStatus(), "Setup required: FTP Password");
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{StrFormat(
                                    "Cannot decrypt the FTP Password (error code 0x%08X).\r\n\r\n"
                                    "Use Setup to reenter the FTP Password.", ENODATA)});
    EXPECT_NE(LogText().find("Message Box=\n|Cannot decrypt the FTP Password"), std::string::npos);

    // A blob whose key is gone: the protector's error code is shown.
    app->TestDataProtection();
    ASSERT_TRUE(app->SetFtpPassword("pw"));
    ASSERT_EQ(::unlink(JoinPath(dataDir, kMachineKeyFileName).c_str()), 0);
    EXPECT_FALSE(app->GetFtpPassword(pw, true));
    EXPECT_NE(prompter.LastText().find(StrFormat("0x%08X", ENOKEY)), std::string::npos);

    // A flag other than 0 or 1 is invalid data.
    uint32_t error = 0;
    EXPECT_FALSE(app->DecryptPassword({1, 2, 3, 4, 5, 6, 7, 8}, 2, pw, error));
    EXPECT_EQ(error, static_cast<uint32_t>(EBADMSG));

    // A cancel answer to the status text ends it at once, silently.
    frame.cancelAt = 1;
    prompter.Clear();
    EXPECT_FALSE(app->GetFtpPassword(pw, true));
    EXPECT_TRUE(prompter.Shown().empty());
}

TEST_F(AppTest, SelfTestSetsUsabilityButKeepsALoadedPasswordForm)
{
    // A loaded older-form password keeps flag 0 whatever the self-test finds.
    app->Setup().m_bPasswordProtected = 0;
    app->Setup().m_ProtectedPassword.assign(8, 0x11);
    app->TestDataProtection();
    EXPECT_TRUE(app->IsDataProtectionUsable());
    EXPECT_EQ(app->Setup().m_bPasswordProtected, 0);
    // A setup without a password takes the form a new one would get.
    app->Setup().m_ProtectedPassword.clear();
    app->TestDataProtection();
    EXPECT_EQ(app->Setup().m_bPasswordProtected, 1);

    // A failing protector keeps the old password, and the failure is logged
    // under the setup operation.
    CFailingProtector failing;
    app->SetDataProtector(&failing);
    app->Setup().m_ProtectedPassword.assign(4, 1);
    EXPECT_FALSE(app->SetFtpPassword("pw"));
    EXPECT_EQ(app->Setup().m_ProtectedPassword, std::vector<uint8_t>(4, 1));
    EXPECT_NE(LogText().find("Operation=[CQuillmarkApp::OnSetupSetup: CQuillmarkApp::Encrypt]\n"), std::string::npos);
    EXPECT_NE(LogText().find("Error(13)=[Permission denied]\n"), std::string::npos);
    // Once the self-test finds it failing, a new password is not stored in
    // any form (here on a setup that holds none); the log says why.
    app->Setup().m_ProtectedPassword.clear();
    app->TestDataProtection();
    EXPECT_FALSE(app->IsDataProtectionUsable());
    EXPECT_NE(LogText().find("]Data protection test failed: Permission denied (error 13)\n"), std::string::npos)
        << LogText();
    EXPECT_EQ(app->Setup().m_bPasswordProtected, 0);
    EXPECT_FALSE(app->SetFtpPassword("pw"));
    EXPECT_TRUE(app->Setup().m_ProtectedPassword.empty());
    EXPECT_EQ(prompter.LastText(), "Unable to save password: encryption problem");
}
