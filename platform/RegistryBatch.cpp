#include "platform/RegistryBatch.h"

#include "platform/RegistryStore.h"

TRegistryBatch::TRegistryBatch()
{
    TRegistryStore::Instance().BeginBatch();
}

TRegistryBatch::~TRegistryBatch()
{
    Commit();
}

bool TRegistryBatch::Commit()
{
    if (!m_open) return true;
    m_open = false;
    return TRegistryStore::Instance().EndBatch();
}
