// The automation wrapper for the layout program's object ("Vantorel.Object"):
// one function per member the program calls. Each throws as
// COleDispatchDriver::InvokeHelper does: COleDispatchException for an error
// the layout program raises, COleException when the call itself fails.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dispatch_driver.h"

class CVantorelDispatch : public COleDispatchDriver {
public:
    // Creates the object from "Vantorel.Object".
    bool CreateDispatch(COleException* error = nullptr)
    {
        return COleDispatchDriver::CreateDispatch(kProgId, error);
    }

    std::string GetVersion();                       // property 1
    void SetQuiet(bool quiet);                      // property 15
    void OpenHandRecords(const std::string& path);  // 20
    void SortBoards();                              // 30
    void LoadLayout(const std::string& path);       // 21
    void DoubleDummyAllBoards();                    // 4
    void SaveAsPdf(const std::string& path);        // 22
    void ImportScoreData(const std::string& path);  // 18
    int32_t CheckScoreData();                       // 42: boards reported
    void SaveAsHtml(const std::string& path);       // 16

    static const char* const kProgId;

private:
    void Method(DispId id, const std::string& path);
    void Method(DispId id);
};
