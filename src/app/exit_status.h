// Exit statuses of `kova` (sysexits where one fits).
#pragma once

namespace kova::app {

enum ExitStatus : int {
    kExitOk = 0,
    kExitPrintFailed = 1,  // no printer, or the printing job failed
    kExitUsage = 64,
    kExitNotReadable = 66,
    kExitCannotWrite = 73,
};

}  // namespace kova::app
