// The accessors of CProductInfo that the main program uses inline: numbers, flags and
// dependencies. The library defines them out of line from this same text (TESMARO_INLINE empty),
// so its export table holds them; every other module gets them inline and imports only the
// record's copy members and string getters.
#pragma once

#include "ProductInfo.h"

#include <assert.h>

TESMARO_INLINE CProductInfo& CProductInfo::GetDependency(int i) const
{
    assert(m_pDependencies && i >= 0 && i < m_nDependencyCount);
    return m_pDependencies[i];
}
TESMARO_INLINE int CProductInfo::GetDependencyCount() const { return m_nDependencyCount; }
TESMARO_INLINE CStringList* CProductInfo::GetAdditionalExeList() { return &m_lstAdditionalExes; }
TESMARO_INLINE float CProductInfo::GetSize() const { return m_fSize; }
TESMARO_INLINE int CProductInfo::GetId() const { return m_nId; }
TESMARO_INLINE int CProductInfo::GetInstallType() const { return m_nInstallType; }
TESMARO_INLINE int CProductInfo::GetPreinstallMessageButtons() const { return m_nPreinstallMessageButtons; }
TESMARO_INLINE int CProductInfo::IsVersionModuleRegistry() const { return m_bVersionModuleRegistry; }
TESMARO_INLINE int CProductInfo::IsVersionPathRegistry() const { return m_bVersionPathRegistry; }
TESMARO_INLINE int CProductInfo::IsVersionBuildRegistry() const { return m_bVersionBuildRegistry; }
TESMARO_INLINE int CProductInfo::GetReqKX7200R() const { return m_bReqKX7200R; }
TESMARO_INLINE int CProductInfo::GetReboot() const { return m_bReboot; }
// The install phase sets it from a setup's log.
TESMARO_INLINE void CProductInfo::SetReboot(int b) { m_bReboot = b; }
TESMARO_INLINE int CProductInfo::GetShowProduct() const { return m_bShowProduct; }
TESMARO_INLINE int CProductInfo::GetShowBeta() const { return m_bShowBeta; }
TESMARO_INLINE int CProductInfo::GetShowSnip() const { return m_bShowSnip; }
TESMARO_INLINE int CProductInfo::GetShowDependency() const { return m_bShowDependency; }
TESMARO_INLINE int CProductInfo::GetOptionalDependency() const { return m_bOptionalDependency; }
TESMARO_INLINE int CProductInfo::GetDisplayStartMenu() const { return m_bDisplayStartMenu; }
TESMARO_INLINE int CProductInfo::ShowInstallDriverWarning() const { return m_bShowInstallDriverWarning; }
TESMARO_INLINE int CProductInfo::IsWindowClass() const { return m_bWindowClass; }
TESMARO_INLINE int CProductInfo::IsUpdate() const { return m_bUpdate; }
TESMARO_INLINE int CProductInfo::GetBeta() { return m_bBeta; }
TESMARO_INLINE int CProductInfo::GetSnip() { return m_bSnip; }
