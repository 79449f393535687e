// Exit codes of the trapwright command line: a contract that scripts rely on.
#pragma once

enum ExitStatus : int {
    ExitSuccess = 0,  ///< the command did all its work
    ExitFailure = 1,  ///< a processing error; stderr names it
    ExitUsage = 2,    ///< the command line was refused before any work
    /// check: some recognised procedures have no error handler, or a listed
    /// file is missing.
    ExitUnhandled = 1,
    /// check: the command line was refused, a file could not be checked, or
    /// a project or group gave no file to read.
    ExitCheckError = 2,
};
