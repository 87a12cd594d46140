// CPropPage_AppSelection: the first page: the catalogue's applications in one list, and the
// components the ticked ones need in a second list, ticked and locked by what is installed.
#pragma once

#include "PropPage_Base.h"

class CTreeListCtrl_Applications;
class CTreeListCtrl_Downloads;
class CTreeListCtrl_View;

class CPropPage_AppSelection : public CPropPage_Base
{
public:
    explicit CPropPage_AppSelection(CPropSheet_Corvatel* pSheet);
    ~CPropPage_AppSelection() override;

    int GetPageId() const override { return 101; }

    // Lists the catalogue's applications; the application list calls it once its columns exist.
    void FillApplicationTree();

    CString m_strTotalSize;
    float m_fTotalSize;
    // Owned; null until OnInitDialog, and null again for a list whose window could not be made.
    CTreeListCtrl_Applications* m_pAppTree;
    CTreeListCtrl_Downloads* m_pDownloadTree;

protected:
    BOOL OnInitDialog() override;

private:
    void CreateTrees();
    // Creates the view over its placeholder; a view that fails is deleted and its pointer cleared.
    template <class View>
    bool CreateTree(View*& pView, int nPlaceholderID, UINT nID);
};
