// CCorvatelInstallIniObj: what a component's setup left for this program in Corvatel_Install.log
// (an INI file in the download folder, section "Install"): a restart request, a message for the
// user and an error in the component's own words. Reading the file deletes it, so the next setup
// starts without one.
#pragma once

#include <CObject.h>
#include <CString.h>

class CAppDetailsObj;

class CCorvatelInstallIniObj : public CObject
{
public:
    // Reads the file in strFolder, if there is one.
    CCorvatelInstallIniObj(CAppDetailsObj* pItem, CString strFolder);
    ~CCorvatelInstallIniObj() override = default;

    static CString GetFilePath(CString strFolder);
    // Fills the fields from the file in strFolder and deletes it; without a file nothing changes.
    void Read(CString strFolder);

    bool m_bExists;
    // "Reboot" is a number above 0.
    bool m_bReboot;
    CString m_strInfoMessage;
    CString m_strErrorMessage;
    // The queue record whose setup wrote the file; not owned.
    CAppDetailsObj* m_pItem;
};
