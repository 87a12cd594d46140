// CObject: common base of the framework's polymorphic objects, so lists of objects
// can delete what they hold through one virtual destructor.
#pragma once

class CObject
{
public:
    virtual ~CObject() = default;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};
