#include "InstalledVersions.h"

#include <initializer_list>
#include <string.h>

CInstalledVersions::CPass::CPass(CInstalledVersions& versions) : m_versions(versions)
{
    ++m_versions.m_nPasses;
}

CInstalledVersions::CPass::~CPass()
{
    if (--m_versions.m_nPasses == 0)
        m_versions.m_readings.clear();
}

int CInstalledVersions::IsProductNew(CSkelvar* pSkelvar, CProductInfo* pProduct)
{
    if (!pSkelvar || !pProduct)
        return 0;
    std::string strKey;
    if (m_nPasses > 0) {
        strKey = Key(*pProduct);
        auto it = m_readings.find(strKey);
        if (it != m_readings.end()) {
            const Reading& reading = it->second;
            pProduct->m_strInstalledVersion = reading.strInstalledVersion;
            pProduct->m_strInstalledPath = reading.strInstalledPath;
            // Only the registry check fills the version parts.
            if (pProduct->m_bVersionModuleRegistry)
                memcpy(pProduct->m_lVersion, reading.lVersion, sizeof(pProduct->m_lVersion));
            return reading.nNewer;
        }
    }
    ++m_nChecks;
    int nNewer = pSkelvar->IsProductNew(pProduct);
    if (m_nPasses > 0) {
        Reading reading = {nNewer, pProduct->m_strInstalledVersion, pProduct->m_strInstalledPath, {}};
        memcpy(reading.lVersion, pProduct->m_lVersion, sizeof(reading.lVersion));
        m_readings.emplace(std::move(strKey), std::move(reading));
    }
    return nNewer;
}

std::string CInstalledVersions::Key(const CProductInfo& product)
{
    // Each text after its length, so no two sets of texts make the same key.
    std::string strKey = std::to_string(product.m_bVersionModuleRegistry) + std::to_string(product.m_bVersionPathRegistry);
    for (const CString* pText : {&product.m_strVersionModule, &product.m_strVersionPath, &product.m_strVersionBuild,
                                 &product.m_strVersion, &product.m_strBuild})
        strKey.append(std::to_string(pText->GetLength()) + ':').append(*pText, pText->GetLength());
    return strKey;
}
