// CComRef: a counted reference to a COM interface. Copies share the object and raise its count;
// the reference is released when the holder goes.
#pragma once

#include <unknwn.h>

#include <memory>

template <class I>
class CComRef
{
public:
    CComRef() : m_p(nullptr) {}
    CComRef(const CComRef& other) : m_p(other.m_p)
    {
        if (m_p)
            m_p->AddRef();
    }
    CComRef(CComRef&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    ~CComRef() { Release(); }

    CComRef& operator=(const CComRef& other)
    {
        if (other.m_p)
            other.m_p->AddRef();
        Release();
        m_p = other.m_p;
        return *this;
    }
    CComRef& operator=(CComRef&& other) noexcept
    {
        if (this != std::addressof(other)) { // operator& is the out-parameter one
            Release();
            m_p = other.m_p;
            other.m_p = nullptr;
        }
        return *this;
    }

    void Release()
    {
        if (m_p) {
            I* p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }

    // For out-parameters: drops the current reference first.
    I** operator&()
    {
        Release();
        return &m_p;
    }
    I* operator->() const { return m_p; }
    I* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    I* m_p;
};
