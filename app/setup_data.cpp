#include "app/setup_data.h"

#include "app/setup_fields.h"
#include "platform/secret.h"

CSetupData::CSetupData()
{
    SetSetupDefaults(*this, 0, false);
}

void CSetupData::CopyStoredFields(const CSetupData& from)
{
    if (this == &from)
        return;
    // The old password bytes go before the new ones are taken.
    WipeVector(m_ProtectedPassword);
    *this = from;
}
