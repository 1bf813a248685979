#include "platform/dispatch_driver.h"

bool COleDispatchDriver::CreateDispatch(const std::string& progId, COleException* error)
{
    ReleaseDispatch();
    std::string reason;
    const HRESULT hr = ::CreateDispatch(progId, m_object, &reason);
    if (FAILED(hr)) {
        if (error) {
            error->m_sc = hr;
            error->m_message = reason;
        }
        return false;
    }
    return true;
}

void COleDispatchDriver::ReleaseDispatch()
{
    m_object.reset();
}

Variant COleDispatchDriver::InvokeHelper(DispId id, unsigned flags, VarType resultType,
                                         const std::vector<Variant>& args)
{
    if (!m_object)
        throw COleException(E_POINTER);
    Variant result;
    ExcepInfo excep;
    const HRESULT hr = m_object->Invoke(id, flags, args, &result, &excep);
    if (hr == DISP_E_EXCEPTION)
        throw COleDispatchException(excep.scode, excep.description);
    if (FAILED(hr))
        throw COleException(hr);
    if (resultType == VarType::Empty)
        return {};
    Variant converted;
    const HRESULT hrConvert = ChangeType(result, resultType, converted);
    if (FAILED(hrConvert))
        throw COleException(hrConvert);
    return converted;
}

Variant COleDispatchDriver::GetProperty(DispId id, VarType type)
{
    return InvokeHelper(id, DISPATCH_PROPERTYGET, type);
}

void COleDispatchDriver::SetProperty(DispId id, const Variant& value)
{
    InvokeHelper(id, DISPATCH_PROPERTYPUT, VarType::Empty, {value});
}
