// The start-up check of the layout program: present, and 5.53.1 or later.
#include <gtest/gtest.h>

#include <stdexcept>

#include "standin/standin_layout.h"
#include "platform/vantorel_interface.h"
#include "support/fake_layout.h"
#include "support/test_app.h"

namespace {

const char kUpdateHint[] =
    "\r\nTo update Vantorel,\r\nuse Vantorel Help>Check For Updates\r\n"
    "or visit https://www.vantorel.com/download and click \"Download Now\"";

class VantorelCheck : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        RegisterStandInLayout();
    }
};

}  // namespace

TEST_F(VantorelCheck, VersionsBelow5_53_1AreRefused)
{
    EXPECT_TRUE(app->CheckVantorel()) << "the stand-in";
    for (const char* version : {"5.53.1", "5.54", "10.0", " 5.53.1"}) {
        SCOPED_TRACE(version);
        FakeLayout fake;
        fake.version = version;
        EXPECT_TRUE(app->CheckVantorel());
        EXPECT_TRUE(prompter.Shown().empty());
        EXPECT_EQ(fake.Released(), 1);
    }
    struct Refused {
        const char* version;
        const char* shown;  // "" when the user's version line is left out
    };
    // A signed number is not read as a version (it would wrap round to a
    // huge one and pass).
    for (const Refused r : {Refused{"5.53", "5.53"}, Refused{"5.53.0", "5.53"}, Refused{"4.99.99", "4.99.99"},
                            Refused{"", ""}, Refused{"-6.0.0", ""},
                            Refused{"beta", ""}}) {
        SCOPED_TRACE(r.version);
        FakeLayout fake;
        fake.version = r.version;
        prompter.Clear();
        EXPECT_FALSE(app->CheckVantorel());
        std::string expected = "Vantorel update required.\r\n\r\n";
        if (*r.shown)
            expected += std::string("Your version: ") + r.shown + "\r\n";
        expected += std::string("Minimum version required: 5.53.1\r\n") + kUpdateHint;
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{expected});
        EXPECT_EQ(fake.Released(), 1);
    }
}

TEST_F(VantorelCheck, AMissingOrBrokenLayoutProgramIsRefused)
{
    const DispatchCreator saved = RegisterDispatchClass(kVantorelProgId, {});
    EXPECT_FALSE(app->CheckVantorel());
    RegisterDispatchClass(kVantorelProgId, saved);
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Is Vantorel installed?\r\n\r\nCreateDispatch returned 0x80040154.\r\n"});

    // A creator that fails with a reason: the reason is logged, not lost.
    const DispatchCreator installed = RegisterDispatchClass(
        kVantorelProgId, [](std::unique_ptr<IDispatchObject>&) -> HRESULT { throw std::runtime_error("no licence server"); });
    prompter.Clear();
    EXPECT_FALSE(app->CheckVantorel());
    RegisterDispatchClass(kVantorelProgId, installed);
    EXPECT_NE(LogText().find("]Operation=[CQuillmarkApp::CheckVantorel: CreateDispatch]\n"), std::string::npos);
    EXPECT_NE(LogText().find("]Exception(COleException,0x80004005)=[no licence server]\n"), std::string::npos)
        << LogText();

    // The version cannot be read: the object's error is reported.
    FakeLayout fake;
    fake.failure = FakeLayout::Failure::Raise;
    fake.failId = vantorel::Version;
    fake.code = E_FAIL;
    fake.description = "Licence expired";
    prompter.Clear();
    EXPECT_FALSE(app->CheckVantorel());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Licence expired"});
    EXPECT_NE(LogText().find("Operation=[CQuillmarkApp::CheckVantorel: GetVersion]\n"), std::string::npos);
    EXPECT_EQ(fake.Released(), 1);

    fake.failure = FakeLayout::Failure::Throw;
    fake.occurrence = 2;  // the second object's first call
    fake.description = "version resource missing";
    prompter.Clear();
    EXPECT_FALSE(app->CheckVantorel());
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"version resource missing"});
}
