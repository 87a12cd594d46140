// CListT: the doubly linked list behind CStringList and CObList, walked by POSITION.
// A POSITION is an opaque handle to a node; null means "before the first / after the last".
#pragma once

#include "CObject.h"

#include <assert.h>

struct __POSITION {};
typedef __POSITION* POSITION;

template <class T>
class CListT : public CObject
{
    struct CNode : __POSITION
    {
        CNode* pNext;
        CNode* pPrev;
        T data;
        CNode(const T& value, CNode* prev, CNode* next) : pNext(next), pPrev(prev), data(value) {}
    };

public:
    // The block size is accepted for compatibility with callers that tune it; nodes are allocated singly.
    explicit CListT(int /*nBlockSize*/ = 10) : m_pHead(nullptr), m_pTail(nullptr), m_nCount(0) {}
    ~CListT() override { RemoveAll(); }
    CListT(const CListT&) = delete;
    CListT& operator=(const CListT&) = delete;

    int GetCount() const { return m_nCount; }
    int GetSize() const { return m_nCount; }
    bool IsEmpty() const { return m_nCount == 0; }

    // The head and tail exist only in a list that is not empty.
    T& GetHead() { return NonEmpty(m_pHead)->data; }
    const T& GetHead() const { return NonEmpty(m_pHead)->data; }
    T& GetTail() { return NonEmpty(m_pTail)->data; }
    const T& GetTail() const { return NonEmpty(m_pTail)->data; }

    POSITION AddHead(const T& value) { return InsertBefore(GetHeadPosition(), value); }
    POSITION AddTail(const T& value) { return InsertAfter(GetTailPosition(), value); }
    void AddTail(const CListT& other)
    {
        for (CNode* p = other.m_pHead; p; p = p->pNext)
            AddTail(p->data);
    }

    T RemoveHead()
    {
        T value = GetHead();
        RemoveAt(m_pHead);
        return value;
    }
    T RemoveTail()
    {
        T value = GetTail();
        RemoveAt(m_pTail);
        return value;
    }
    void RemoveAll()
    {
        while (m_pHead) {
            CNode* p = m_pHead;
            m_pHead = p->pNext;
            delete p;
        }
        m_pTail = nullptr;
        m_nCount = 0;
    }

    POSITION GetHeadPosition() const { return m_pHead; }
    POSITION GetTailPosition() const { return m_pTail; }

    T& GetNext(POSITION& pos)
    {
        CNode* p = Node(pos);
        pos = p->pNext;
        return p->data;
    }
    const T& GetNext(POSITION& pos) const
    {
        CNode* p = Node(pos);
        pos = p->pNext;
        return p->data;
    }
    T& GetPrev(POSITION& pos)
    {
        CNode* p = Node(pos);
        pos = p->pPrev;
        return p->data;
    }
    const T& GetPrev(POSITION& pos) const
    {
        CNode* p = Node(pos);
        pos = p->pPrev;
        return p->data;
    }

    T& GetAt(POSITION pos) { return Node(pos)->data; }
    const T& GetAt(POSITION pos) const { return Node(pos)->data; }
    void SetAt(POSITION pos, const T& value) { Node(pos)->data = value; }

    void RemoveAt(POSITION pos)
    {
        CNode* p = Node(pos);
        (p->pPrev ? p->pPrev->pNext : m_pHead) = p->pNext;
        (p->pNext ? p->pNext->pPrev : m_pTail) = p->pPrev;
        delete p;
        --m_nCount;
    }

    // A null position inserts at the head (InsertBefore) or the tail (InsertAfter).
    POSITION InsertBefore(POSITION pos, const T& value)
    {
        CNode* pNext = pos ? Node(pos) : m_pHead;
        CNode* pPrev = pNext ? pNext->pPrev : m_pTail;
        return Link(new CNode(value, pPrev, pNext));
    }
    POSITION InsertAfter(POSITION pos, const T& value)
    {
        CNode* pPrev = pos ? Node(pos) : m_pTail;
        CNode* pNext = pPrev ? pPrev->pNext : m_pHead;
        return Link(new CNode(value, pPrev, pNext));
    }

    POSITION Find(const T& value, POSITION startAfter = nullptr) const
    {
        for (CNode* p = startAfter ? Node(startAfter)->pNext : m_pHead; p; p = p->pNext)
            if (p->data == value)
                return p;
        return nullptr;
    }
    POSITION FindIndex(int nIndex) const
    {
        if (nIndex < 0 || nIndex >= m_nCount)
            return nullptr;
        CNode* p = m_pHead;
        while (nIndex--)
            p = p->pNext;
        return p;
    }

private:
    static CNode* Node(POSITION pos)
    {
        assert(pos && "a null POSITION names no node");
        return static_cast<CNode*>(pos);
    }
    static CNode* NonEmpty(CNode* pEnd)
    {
        assert(pEnd && "the list is empty");
        return pEnd;
    }

    POSITION Link(CNode* p)
    {
        (p->pPrev ? p->pPrev->pNext : m_pHead) = p;
        (p->pNext ? p->pNext->pPrev : m_pTail) = p;
        ++m_nCount;
        return p;
    }

    CNode* m_pHead;
    CNode* m_pTail;
    int m_nCount;
};
