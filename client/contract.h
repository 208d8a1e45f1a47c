// client/contract.h: what the stand-in client takes from its environment and what it gives back,
// for the client itself and for the programs that start it (the tests and the benchmark).
//
// Every file the client writes is written whole under the name plus kPartialSuffix and then
// renamed, so a reader that finds the file under its own name has all of it.
#ifndef VELTO_CLIENT_CONTRACT_H
#define VELTO_CLIENT_CONTRACT_H

namespace client {

// Variables it reads.
// First thing on entry: QueryPerformanceCounter's value, in decimal, to this file.
inline constexpr char kStampVariable[] = "VEXA_STAMP";
// GetCommandLineA()'s bytes to this file, then exit without a window.
inline constexpr char kRecordVariable[] = "VEXA_RECORD";
// A report (keys below) to this file, then keep running without a window until the event named
// by kStopEventVariable is set, kLingerMaxMs at most.
inline constexpr char kReportVariable[] = "VEXA_REPORT";
inline constexpr char kStopEventVariable[] = "VEXA_STOP_EVENT";
// The name of a variable whose value the report repeats.
inline constexpr char kProbeEnvVariable[] = "VEXA_PROBE_ENV";
// A handle value, in hex, that the report says this process does or does not hold.
inline constexpr char kProbeHandleVariable[] = "VEXA_PROBE_HANDLE";

inline constexpr char kPartialSuffix[] = ".part";
inline constexpr unsigned long kLingerMaxMs = 60000;

// The report: one "key=value" line per key.
namespace report {
inline constexpr char kPid[] = "pid";                       // decimal
inline constexpr char kPriorityClass[] = "priority_class";  // hex; 0x20 is NORMAL_PRIORITY_CLASS
inline constexpr char kDebugger[] = "debugger";             // 1 when a debugger is attached
inline constexpr char kStartupFlags[] = "startup_flags";    // STARTUPINFO's dwFlags, hex
inline constexpr char kShowWindow[] = "show_window";        // STARTUPINFO's wShowWindow
inline constexpr char kCurrentDir[] = "current_dir";        // the current folder at start
// The value of the variable kProbeEnvVariable names; kUnset without it.
inline constexpr char kProbeEnv[] = "probe_env";
inline constexpr char kUnset[] = "<unset>";
// For the handle in kProbeHandleVariable: kInvalid, or "valid " and the object's name.
inline constexpr char kProbeHandle[] = "probe_handle";
inline constexpr char kInvalid[] = "invalid";
inline constexpr char kCommandLine[] = "command_line";      // GetCommandLineA()
}  // namespace report

// Exit codes. The command line itself is never judged: any line ends as kExitOk.
inline constexpr int kExitOk = 0;
inline constexpr int kExitOutputFailed = 3;  // the record or report could not be written
inline constexpr int kExitNeverStopped = 4;  // a reporting client was never told to stop

}  // namespace client

#endif  // VELTO_CLIENT_CONTRACT_H
