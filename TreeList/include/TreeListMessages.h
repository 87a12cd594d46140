// The control's messages: one per public operation, so that the work always runs on the window's
// thread. Arguments that do not fit wParam/lParam travel in a structure on the caller's stack,
// which lives until SendMessage returns. The structures hold plain memory only (texts come back
// in the caller's buffer), so a program of its own, such as a UI driver, can pass them in memory
// it has placed in the control's process.
#pragma once

#include "TreeListCtrl.h"

enum : UINT
{
    TLM_FIRST = WM_TREELIST_REFLECT + 1,
    TLM_SETSTYLE = TLM_FIRST,   // wParam style; returns the previous
    TLM_SETIMAGELIST,           // lParam HIMAGELIST; returns the previous
    TLM_SETITEMHEIGHT,          // wParam height; returns the previous
    TLM_INSERTCOLUMN,           // lParam TLColumnArgs*; returns the index or -1
    TLM_SETCOLUMNVALUE,         // wParam column, lParam value; combo-sorted and modify alike
    TLM_SETCOLUMNWIDTH,         // lParam TLColumnArgs*
    TLM_GETCOLUMNWIDTH,         // wParam column
    TLM_GETCOLUMNCOUNT,
    TLM_INSERTITEM,             // lParam TLInsertArgs*; returns the row
    TLM_SETITEMTEXT,            // lParam TLCellArgs*
    TLM_GETITEMTEXT,            // lParam TLCellArgs* (pszBuffer receives it); returns its length
    TLM_SETITEMDATA,            // lParam TLCellArgs* (dwData)
    TLM_GETITEMDATA,            // lParam TLCellArgs*; the result is the value
    TLM_SETITEMIMAGE,           // lParam TLCellArgs* (nImages)
    TLM_GETITEMIMAGE,           // lParam TLCellArgs* (nImages receives them)
    TLM_GETCOUNT,
    TLM_GETITEM,                // wParam index
    TLM_GETNEXTITEM,            // wParam row, lParam code
    TLM_GETSELECTED,
    TLM_GETCHECK,               // wParam row
    TLM_SETCHECK,               // wParam row, lParam state
    TLM_DISABLECHECK,           // wParam row, lParam flag
    TLM_ISCHECKDISABLED,        // wParam row
    TLM_DELETEITEM,             // wParam row
    TLM_DELETEALLITEMS,
    TLM_DESTROY,                // the object is going; destroys the window on its own thread
    TLM_GETITEMINDEX,           // wParam row; returns its index or -1
    TLM_LAST = TLM_GETITEMINDEX
};

struct TLColumnArgs
{
    LPCSTR pszName;
    UINT nFormat;
    int nColumn;        // the column to change, or the position to insert before
    int nWidth;
    int nMinWidth;
    int nMaxWidth;
};

struct TLInsertArgs
{
    LPCSTR pszText;
    CTreeListItem* pParent;
    CTreeListItem* pInsertAfter;
};

// A row given by handle, or by index when the handle is null.
struct TLCellArgs
{
    CTreeListItem* pItem;
    int nIndex;
    int nColumn;
    LPCSTR pszText;
    char* pszBuffer;        // receives as much of the text as fits, ended by a zero
    int nBufferSize;
    DWORD_PTR dwData;
    int nImages[4];
};
