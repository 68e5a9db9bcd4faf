// Exit statuses of `kova` (sysexits where one fits).
#pragma once

namespace kova::app {

enum ExitStatus : int {
    kExitOk = 0,
    kExitPrintFailed = 1,  // no printer, or the printing job failed
    kExitDataError = 2,    // --draw: the file's data has an error
    kExitUsage = 64,
    kExitNotReadable = 66,
    kExitCannotWrite = 73,
};

}  // namespace kova::app
