// The clock under stress: bursts of synchronisations and resume notifications, exits at awkward
// moments, a folder it cannot write, and resource use over time.
#include "clock_fixture.h"

#include <psapi.h>
#include <winternl.h>
#include <vector>

#include <cstdio>

#include "../support/fake_sntp.h"

namespace {

class StressTest : public ClockTest {};

TEST_F(StressTest, Probe) {
    PrepareAndStart("[Velkaro 1.20]\r\nTopMost=No\r\n");
    DWORD handles = 0;
    BOOL ok = GetProcessHandleCount(pi.hProcess, &handles);
    std::printf("gdi %lu user %lu handles %d/%lu err %lu\n", GetGuiResources(pi.hProcess, GR_GDIOBJECTS),
                GetGuiResources(pi.hProcess, GR_USEROBJECTS), ok, handles, GetLastError());
    PROCESS_BASIC_INFORMATION pbi{};
    ULONG len = 0;
    NTSTATUS st = NtQueryInformationProcess(pi.hProcess, ProcessBasicInformation, &pbi, sizeof pbi, &len);
    void* table = nullptr;
    SIZE_T read = 0;
    BOOL r1 = ReadProcessMemory(pi.hProcess, (BYTE*)pbi.PebBaseAddress + 0xF8, &table, sizeof table, &read);
    std::printf("st %ld peb %p r1 %d table %p\n", st, (void*)pbi.PebBaseAddress, r1, table);
    struct Entry { UINT64 object; ULONG owner; USHORT unique; UCHAR type, flags; UINT64 user; };
    static_assert(sizeof(Entry) == 24);
    std::vector<Entry> entries(0x10000);
    BOOL r2 = table && ReadProcessMemory(pi.hProcess, table, entries.data(), entries.size() * sizeof(Entry), &read);
    int used = 0, types[32] = {};
    for (auto& e : entries) if (e.type) { ++used; types[e.type & 31]++; }
    std::printf("r2 %d used %d\n", r2, used);
    for (int i = 0; i < 32; ++i) if (types[i]) std::printf(" type %d: %d\n", i, types[i]);
    {
        std::vector<BYTE> buf(1 << 22);
        ULONG need = 0;
        NTSTATUS s16 = NtQuerySystemInformation(SYSTEM_INFORMATION_CLASS(16), buf.data(), ULONG(buf.size()), &need);
        ULONG count = *(ULONG*)buf.data();
        struct H { USHORT pid, backtrace; UCHAR type, attrs; USHORT handle; void* object; ULONG access; };
        H* hs = (H*)(buf.data() + sizeof(void*));
        int mine = 0;
        for (ULONG i = 0; i < count; ++i) if (hs[i].pid == pi.dwProcessId) ++mine;
        std::printf("s16 %lx count %lu mine %d\n", s16, count, mine);
        NTSTATUS s64 = NtQuerySystemInformation(SYSTEM_INFORMATION_CLASS(64), buf.data(), ULONG(buf.size()), &need);
        struct HX { void* object; ULONG_PTR pid; ULONG_PTR handle; ULONG access; USHORT bt, type; ULONG attrs, reserved; };
        ULONG_PTR cx = *(ULONG_PTR*)buf.data();
        HX* hx = (HX*)(buf.data() + 2 * sizeof(ULONG_PTR));
        int minex = 0;
        for (ULONG_PTR i = 0; i < cx; ++i) if (hx[i].pid == pi.dwProcessId) ++minex;
        std::printf("s64 %lx count %llu mine %d\n", s64, (unsigned long long)cx, minex);
    }
    const int pid = LinuxPidOf(exe);
    const double a = LinuxCpuMs(pid);
    Sleep(5000);
    std::printf("linux pid %d cpu %.3f ms in 5 s\n", pid, LinuxCpuMs(pid) - a);
}

}  // namespace
