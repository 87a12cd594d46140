// CInstalledVersions: the wizard's installed-version checks. One user action asks about the same
// component for every row and every ticked application that names it; within a pass (one
// action's handling) each product is read from the registry or its file once, and the pass
// forgets what it read, so a version that changes between actions is seen by the next one.
#pragma once

#include <ProductInfo.h>
#include <Skelvar.h>

#include <string>
#include <unordered_map>

class CInstalledVersions
{
public:
    // Opens a pass for its lifetime; passes may nest, and the outermost one forgets.
    class CPass
    {
    public:
        explicit CPass(CInstalledVersions& versions);
        ~CPass();
        CPass(const CPass&) = delete;
        CPass& operator=(const CPass&) = delete;

    private:
        CInstalledVersions& m_versions;
    };

    // CSkelvar::IsProductNew, with what it stores into the product; inside a pass, a product
    // located as one read before gets that reading.
    int IsProductNew(CSkelvar* pSkelvar, CProductInfo* pProduct);

    // How many times the registry or a file was actually asked.
    long m_nChecks = 0;

private:
    struct Reading
    {
        int nNewer;
        CString strInstalledVersion;
        CString strInstalledPath;
        long lVersion[4];
    };

    // Everything the check reads the product by.
    static std::string Key(const CProductInfo& product);

    std::unordered_map<std::string, Reading> m_readings;
    int m_nPasses = 0;
};
