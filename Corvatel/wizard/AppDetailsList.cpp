#include "AppDetailsList.h"

#include "AppDetailsObj.h"

POSITION CAppDetailsList::Add(CAppDetailsObj* pItem)
{
    POSITION pos = AddTail(pItem);
    if (m_nIndexed == GetCount() - 1)
        Index(pItem);
    return pos;
}

CAppDetailsObj* CAppDetailsList::Find(const CString& strName, const CString& strVersion, int nMode)
{
    if (m_nIndexed != GetCount()) {
        m_index.clear();
        m_nIndexed = 0;
        for (POSITION pos = GetHeadPosition(); pos;)
            Index(static_cast<CAppDetailsObj*>(GetNext(pos)));
    }
    auto it = m_index.find(Key(strName, strVersion));
    if (it == m_index.end())
        return nullptr;
    for (CAppDetailsObj* pItem : it->second) {
        const CProductInfo* pProduct = pItem->m_pProductInfo;
        if ((nMode == 2 && !pProduct->m_bBeta) || (nMode == 3 && !pProduct->m_bSnip))
            continue;
        return pItem;
    }
    return nullptr;
}

std::string CAppDetailsList::Key(const CString& strName, const CString& strVersion)
{
    CString strKey = strName + '\n' + strVersion;
    strKey.MakeUpper();
    return static_cast<LPCSTR>(strKey);
}

void CAppDetailsList::Index(CAppDetailsObj* pItem)
{
    m_index[Key(pItem->m_pProductInfo->GetName(), pItem->m_pProductInfo->GetVersion())].push_back(pItem);
    ++m_nIndexed;
}
