#include "models/rx/CtleBank.h"

#include <new>

bool CtleSharedHistory::Allocate(size_t iWindow)
{
    Free();
    if (iWindow == 0) return false;
    m_pdStorage = new (std::nothrow) double[2 * iWindow]();
    if (!m_pdStorage) return false;
    m_iWindow = iWindow;
    m_iNewest = 0;  // the first Push lands at position W - 1
    return true;
}

void CtleSharedHistory::Free()
{
    delete[] m_pdStorage;
    m_pdStorage = nullptr;
    m_iWindow = 0;
    m_iNewest = 0;
}
