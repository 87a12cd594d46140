// CAppDetailsList: the wizard sheet's lists of queue records, which the pages search by product
// name and version many times per click. An index finds a record without walking a catalogue of
// thousands; records are only ever appended (Add), and the index is built again whenever the
// list was changed around it.
#pragma once

#include <CObList.h>
#include <CString.h>

#include <string>
#include <unordered_map>
#include <vector>

class CAppDetailsObj;

class CAppDetailsList : public CObList
{
public:
    explicit CAppDetailsList(int nBlockSize = 10) : CObList(nBlockSize) {}

    POSITION Add(CAppDetailsObj* pItem);
    // The first record, in list order, whose product has that name and version (any case);
    // mode 2 also asks for the beta mark, mode 3 for the snip mark.
    CAppDetailsObj* Find(const CString& strName, const CString& strVersion, int nMode);

    // What the index finds a product name and version by.
    static std::string Key(const CString& strName, const CString& strVersion);

private:
    void Index(CAppDetailsObj* pItem);

    std::unordered_map<std::string, std::vector<CAppDetailsObj*>> m_index;
    int m_nIndexed = 0;
};
