// region/launch_request.cpp: the launch request.
#include "region/launch_request.h"

#include "region/region_table.h"

#include <cstring>

// The start-up record the client gets: all zero but its size, 68 bytes on 32-bit Windows (104 in
// the 64-bit build that only the tests use).
static_assert(sizeof(STARTUPINFOA) == (sizeof(void*) == 4 ? 68 : 104),
              "unexpected STARTUPINFOA layout");

static const char kCaption[] = "Velto";
static const char kChooseRegion[] = "请选择大区";
static const char kStartFailed[] = "程序启动失败";

bool LaunchSelectedRegion(CListBox& list, CWnd& owner)
{
    char commandLine[kRegionCommandLineBufferSize] = {};
    char label[kRegionLabelBufferSize] = {};

    // With nothing selected the index is LB_ERR; the list then answers LB_ERR again and writes
    // nothing, so the label stays empty and matches no row.
    //
    // LB_GETTEXT writes the whole text, so its length is asked first. That length may be up to
    // twice the real one (a list holding Unicode text allows two bytes a character), never less:
    // a text reported below twice the label buffer is read into a buffer that size and kept only
    // if it really fits; one reported longer is at least as long as the label buffer, so it
    // cannot be a label.
    const int index = list.GetCurSel();
    const int length = list.GetTextLen(index);
    char text[2 * kRegionLabelBufferSize] = {};
    if (length >= 0 && length < static_cast<int>(sizeof text) &&
        list.GetText(index, text) != LB_ERR && std::strlen(text) < sizeof label)
        std::memcpy(label, text, std::strlen(text) + 1);

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
