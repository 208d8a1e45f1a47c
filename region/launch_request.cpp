// region/launch_request.cpp: the launch request.
#include "region/launch_request.h"

#include "region/region_table.h"

#include <cstring>

static const char kCaption[] = "Velto";
static const char kChooseRegion[] = "请选择大区";
static const char kStartFailed[] = "程序启动失败";

bool LaunchSelectedRegion(const CListBox& list, const CWnd& owner)
{
    char commandLine[kRegionCommandLineBufferSize] = {};
    char label[kRegionLabelBufferSize] = {};

    // With nothing selected the index is LB_ERR; the list then has no text to give, so the label
    // stays empty and matches no row. So does a text too long for the buffer (no label is) or
    // one that is not exactly GBK.
    list.GetText(list.GetCurSel(), label, static_cast<int>(sizeof label));

    const char* rowCommandLine = FindRegionCommandLine(label);
    if (rowCommandLine == nullptr) {
        owner.MessageBox(kChooseRegion, kCaption, MB_OK);
        return false;
    }
    // CreateProcessA may write into its command line, and the table is read-only.
    std::memcpy(commandLine, rowCommandLine, std::strlen(rowCommandLine) + 1);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        owner.MessageBox(kStartFailed, kCaption, MB_OK);
        return false;
    }
    // The client runs on by itself; holding its handles would only leak them.
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}
