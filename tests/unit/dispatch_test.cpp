#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/dispatch.h"
#include "platform/dispatch_driver.h"

namespace {

// An object with one read-only property (1, an int), one method that fails
// with the object's own error (2), and one method returning text (3).
class FakeObject : public IDispatchObject {
public:
    HRESULT Invoke(DispId id, unsigned flags, const std::vector<Variant>& args, Variant* result,
                   ExcepInfo* excep) override
    {
        if (id == 1 && (flags & DISPATCH_PROPERTYGET)) {
            *result = Variant(int32_t{7});
            return S_OK;
        }
        if (id == 2 && (flags & DISPATCH_METHOD)) {
            excep->scode = m_raise;
            excep->description = "The layout file is damaged.";
            return DISP_E_EXCEPTION;
        }
        if (id == 3 && (flags & DISPATCH_METHOD)) {
            *result = Variant(std::string(args.empty() ? "none" : "12"));
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT m_raise = HRESULT_FROM_WIN32(ENOENT);
};

// Registers a creator for the life of a test and puts back what was there.
class ScopedClass {
public:
    ScopedClass(std::string progId, DispatchCreator creator)
        : m_progId(std::move(progId)), m_previous(RegisterDispatchClass(m_progId, std::move(creator))) {}
    ~ScopedClass() { RegisterDispatchClass(m_progId, std::move(m_previous)); }

private:
    std::string m_progId;
    DispatchCreator m_previous;
};

HRESULT MakeFake(std::unique_ptr<IDispatchObject>& out)
{
    out = std::make_unique<FakeObject>();
    return S_OK;
}

}  // namespace

TEST(Dispatch, UnknownProgIdGivesClassNotRegisteredForTheStartupMessage)
{
    std::unique_ptr<IDispatchObject> object = std::make_unique<FakeObject>();
    EXPECT_EQ(CreateDispatch("Nobody.Object", object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(HResultText(REGDB_E_CLASSNOTREG), "Class not registered.");

    COleDispatchDriver driver;
    COleException error(S_OK);
    EXPECT_FALSE(driver.CreateDispatch("Nobody.Object", &error));
    EXPECT_EQ(error.m_sc, REGDB_E_CLASSNOTREG);
}

TEST(Dispatch, CreatorsAreFoundWithoutCaseAndTheirFailuresPassThrough)
{
    std::unique_ptr<IDispatchObject> object;
    {
        ScopedClass fake("Test.Fake", MakeFake);
        EXPECT_EQ(CreateDispatch("TEST.fake", object), S_OK);
        EXPECT_NE(object, nullptr);
        {
            ScopedClass failing("test.FAKE", [](std::unique_ptr<IDispatchObject>&) { return E_ACCESSDENIED; });
            EXPECT_EQ(CreateDispatch("Test.Fake", object), E_ACCESSDENIED);
            EXPECT_EQ(object, nullptr);
        }
        // The earlier registration is back.
        EXPECT_EQ(CreateDispatch("Test.Fake", object), S_OK);
    }
    EXPECT_EQ(CreateDispatch("Test.Fake", object), REGDB_E_CLASSNOTREG);

    // A creator that keeps a half-made object while failing, and one that throws.
    ScopedClass half("Test.Half", [](std::unique_ptr<IDispatchObject>& out) {
        out = std::make_unique<FakeObject>();
        return E_OUTOFMEMORY;
    });
    EXPECT_EQ(CreateDispatch("Test.Half", object), E_OUTOFMEMORY);
    EXPECT_EQ(object, nullptr);
    ScopedClass throwing("Test.Throw", [](std::unique_ptr<IDispatchObject>&) -> HRESULT {
        throw std::runtime_error("boom");
    });
    EXPECT_EQ(CreateDispatch("Test.Throw", object), E_FAIL);
    // What it threw is kept as the reason, through the driver as well.
    std::string reason;
    EXPECT_EQ(CreateDispatch("Test.Throw", object, &reason), E_FAIL);
    EXPECT_EQ(reason, "boom");
    COleDispatchDriver driver;
    COleException error(S_OK);
    EXPECT_FALSE(driver.CreateDispatch("Test.Throw", &error));
    EXPECT_EQ(error.m_message, "boom");
}

TEST(Dispatch, DriverTurnsFailedCallsIntoTheRightExceptions)
{
    ScopedClass fake("Test.Fake", MakeFake);
    COleDispatchDriver driver;
    ASSERT_TRUE(driver.CreateDispatch("Test.Fake"));

    EXPECT_EQ(driver.GetProperty(1, VarType::String).GetString(), "7");
    EXPECT_EQ(driver.InvokeHelper(3, DISPATCH_METHOD, VarType::Int32, {Variant("x")}).GetInt32(), 12);

    // Unknown member, and a member called with a kind it does not have.
    for (auto call : {std::make_pair(99, DISPATCH_METHOD), std::make_pair(1, DISPATCH_PROPERTYPUT)}) {
        try {
            driver.InvokeHelper(call.first, call.second, VarType::Empty, {Variant(true)});
            ADD_FAILURE() << "no exception for member " << call.first;
        } catch (const COleException& e) {
            EXPECT_EQ(e.m_sc, DISP_E_MEMBERNOTFOUND);
            EXPECT_EQ(e.GetErrorMessage(), "Member not found.");
        }
    }

    // The object's own error keeps its code and text.
    try {
        driver.InvokeHelper(2, DISPATCH_METHOD, VarType::Empty);
        ADD_FAILURE() << "no exception";
    } catch (const COleDispatchException& e) {
        EXPECT_EQ(e.m_scError, HRESULT_FROM_WIN32(ENOENT));
        EXPECT_EQ(e.m_strDescription, "The layout file is damaged.");
        EXPECT_EQ(HResultText(e.m_scError), "No such file or directory.");
    }
    // A result that cannot be read as the type asked for.
    EXPECT_THROW(driver.InvokeHelper(3, DISPATCH_METHOD, VarType::Int32), COleException);

    driver.ReleaseDispatch();
    EXPECT_THROW(driver.GetProperty(1, VarType::Int32), COleException);
}

TEST(Dispatch, ValuesConvertLikeAutomationVariants)
{
    const struct {
        Variant in;
        VarType type;
        HRESULT code;
        Variant out;
    } cases[] = {
        {Variant(true), VarType::Int32, S_OK, Variant(int32_t{-1})},
        {Variant(2.5), VarType::Int32, S_OK, Variant(int32_t{2})},  // halves round to even
        {Variant(-2.5), VarType::Int32, S_OK, Variant(int32_t{-2})},
        {Variant(3e10), VarType::Int32, DISP_E_OVERFLOW, Variant()},
        {Variant(" 42 "), VarType::Int32, S_OK, Variant(int32_t{42})},
        {Variant("42x"), VarType::Int32, DISP_E_TYPEMISMATCH, Variant()},
        {Variant("TRUE"), VarType::Bool, S_OK, Variant(true)},
        {Variant("yes"), VarType::Bool, DISP_E_TYPEMISMATCH, Variant()},
        {Variant(0.1), VarType::String, S_OK, Variant("0.1")},
    };
    for (const auto& c : cases) {
        Variant out;
        EXPECT_EQ(ChangeType(c.in, c.type, out), c.code);
        if (c.code == S_OK) {
            EXPECT_EQ(out, c.out);
        }
    }
    // A code without a text of its own.
    EXPECT_EQ(HResultTextOrCode(MakeHResult(0x80001234u)), "Error code -2147478988 (0x80001234)");
}

TEST(Dispatch, ObjectsAreCreatedFromManyThreadsWhileOthersRegister)
{
    ScopedClass fake("Test.Threads", MakeFake);
    std::atomic<int> created{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                std::unique_ptr<IDispatchObject> object;
                if (CreateDispatch("Test.Threads", object) == S_OK && object)
                    ++created;
            }
        });
    }
    threads.emplace_back([] {
        for (int i = 0; i < 200; ++i)
            RegisterDispatchClass("Test.Other" + std::to_string(i % 7), i % 2 ? DispatchCreator(MakeFake) : nullptr);
    });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(created.load(), 1200);
    for (int i = 0; i < 7; ++i)
        RegisterDispatchClass("Test.Other" + std::to_string(i), nullptr);
}
