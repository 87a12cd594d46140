#include <CString.h>
#include <ModuleState.h>

#include "FrameworkTestResource.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

void SwitchAndThrow(AFX_MODULE_STATE* pState)
{
    AFX_MANAGE_STATE(pState);
    throw 1;
}

} // namespace

TEST(ModuleStateTest, SwitchIsRestoredOnEveryWayOut)
{
    AFX_MODULE_STATE* pProgram = AfxGetModuleState();
    AFX_MODULE_STATE other = {nullptr, GetModuleHandleA("kernel32.dll")};
    {
        AFX_MANAGE_STATE(&other);
        EXPECT_EQ(AfxGetResourceHandle(), other.m_hCurrentResourceHandle);
        // Strings now come from the other module, which has none of ours.
        CString str;
        EXPECT_FALSE(str.LoadString(IDS_SHORT));
    }
    EXPECT_EQ(AfxGetModuleState(), pProgram);
    EXPECT_THROW(SwitchAndThrow(&other), int);
    EXPECT_EQ(AfxGetModuleState(), pProgram);
}

TEST(ModuleStateTest, CurrentStateIsPerThread)
{
    AFX_MODULE_STATE other = {nullptr, GetModuleHandleA("kernel32.dll")};
    AFX_MANAGE_STATE(&other);
    HINSTANCE hSeenByWorker = nullptr;
    std::thread([&] { hSeenByWorker = AfxGetResourceHandle(); }).join();
    EXPECT_EQ(hSeenByWorker, GetModuleHandleA(nullptr));
    EXPECT_EQ(AfxGetStaticModuleState()->m_hCurrentResourceHandle, GetModuleHandleA(nullptr));
}
