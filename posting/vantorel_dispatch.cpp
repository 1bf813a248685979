#include "posting/vantorel_dispatch.h"

#include "platform/vantorel_interface.h"

const char* const CVantorelDispatch::kProgId = kVantorelProgId;

void CVantorelDispatch::Method(DispId id, const std::string& path)
{
    InvokeHelper(id, DISPATCH_METHOD, VarType::Empty, {Variant(path)});
}

void CVantorelDispatch::Method(DispId id)
{
    InvokeHelper(id, DISPATCH_METHOD, VarType::Empty);
}

std::string CVantorelDispatch::GetVersion()
{
    return GetProperty(vantorel::Version, VarType::String).GetString();
}

void CVantorelDispatch::SetQuiet(bool quiet)
{
    SetProperty(vantorel::Quiet, Variant(quiet));
}

void CVantorelDispatch::OpenHandRecords(const std::string& path) { Method(vantorel::OpenHandRecords, path); }
void CVantorelDispatch::SortBoards() { Method(vantorel::SortBoards); }
void CVantorelDispatch::LoadLayout(const std::string& path) { Method(vantorel::LoadLayout, path); }
void CVantorelDispatch::DoubleDummyAllBoards() { Method(vantorel::DoubleDummyAllBoards); }
void CVantorelDispatch::SaveAsPdf(const std::string& path) { Method(vantorel::SaveAsPdf, path); }
void CVantorelDispatch::ImportScoreData(const std::string& path) { Method(vantorel::ImportScoreData, path); }
void CVantorelDispatch::SaveAsHtml(const std::string& path) { Method(vantorel::SaveAsHtml, path); }

int32_t CVantorelDispatch::CheckScoreData()
{
    return InvokeHelper(vantorel::CheckScoreData, DISPATCH_METHOD, VarType::Int32).GetInt32();
}
