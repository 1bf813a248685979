// The caller's side of an automation object: owns one object and turns
// failed calls into exceptions, so that a sequence of calls reads as plain
// code and the first failure ends it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dispatch.h"
#include "platform/exceptions.h"

class COleDispatchDriver {
public:
    COleDispatchDriver() = default;
    COleDispatchDriver(const COleDispatchDriver&) = delete;
    COleDispatchDriver& operator=(const COleDispatchDriver&) = delete;
    virtual ~COleDispatchDriver() = default;

    // Creates the object registered under progId, releasing any object held
    // before. On failure returns false and, when error is given, sets its
    // code to the failure code and its message to the reason, when known.
    bool CreateDispatch(const std::string& progId, COleException* error = nullptr);
    void ReleaseDispatch();
    IDispatchObject* GetDispatch() const { return m_object.get(); }

    // Calls one member. The result is converted to resultType (Empty: the
    // result is dropped). Throws COleDispatchException with the object's
    // code and description when the member raised an error, COleException
    // with the failure code when the call itself failed (no object, unknown
    // member, wrong arguments, a result that does not convert).
    Variant InvokeHelper(DispId id, unsigned flags, VarType resultType,
                         const std::vector<Variant>& args = {});

    Variant GetProperty(DispId id, VarType type);
    void SetProperty(DispId id, const Variant& value);

private:
    std::unique_ptr<IDispatchObject> m_object;
};
