#include <gtest/gtest.h>

#include "posting/vantorel_dispatch.h"

namespace {

// Records every call as "id kind arguments" and answers property 1 and
// member 42 the way the layout program does.
class RecordingObject : public IDispatchObject {
public:
    explicit RecordingObject(std::vector<std::string>& log) : m_log(log) {}
    HRESULT Invoke(DispId id, unsigned flags, const std::vector<Variant>& args, Variant* result,
                   ExcepInfo*) override
    {
        std::string entry = std::to_string(id) + (flags == DISPATCH_METHOD ? " method" :
                                                  flags == DISPATCH_PROPERTYGET ? " get" :
                                                  flags == DISPATCH_PROPERTYPUT ? " put" : " ?");
        for (const Variant& arg : args) {
            if (arg.Type() == VarType::String)
                entry += " \"" + arg.GetString() + "\"";
            else if (arg.Type() == VarType::Bool)
                entry += arg.GetBool() ? " TRUE" : " FALSE";
            else
                entry += " (other)";
        }
        m_log.push_back(entry);
        if (id == 1)
            *result = Variant("6.0");
        if (id == 42)
            *result = Variant(int32_t{3});
        return S_OK;
    }

private:
    std::vector<std::string>& m_log;
};

}  // namespace

TEST(VantorelDispatch, EachOperationCallsItsMemberWithItsKindAndArgument)
{
    std::vector<std::string> log;
    CVantorelDispatch layout;
    layout.AttachDispatch(std::make_unique<RecordingObject>(log));
    EXPECT_EQ(layout.GetVersion(), "6.0");
    layout.SetQuiet(true);
    layout.OpenHandRecords("h.pbn");
    layout.SortBoards();
    layout.LoadLayout("a.vtl");
    layout.DoubleDummyAllBoards();
    layout.SaveAsPdf("x.pdf");
    layout.ImportScoreData("s.txt");
    EXPECT_EQ(layout.CheckScoreData(), 3);
    layout.SaveAsHtml("p.htm");
    EXPECT_EQ(log, (std::vector<std::string>{
                       "1 get", "15 put TRUE", "20 method \"h.pbn\"", "30 method", "21 method \"a.vtl\"",
                       "4 method", "22 method \"x.pdf\"", "18 method \"s.txt\"", "42 method",
                       "16 method \"p.htm\""}));
}
