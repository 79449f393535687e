// What a run counts: one struct for a file's outcome and for the whole run,
// which adds its files' counts up.
#pragma once

#include <cstdint>

namespace run {

struct RunCounts {
    int32_t filesProcessed = 0;     ///< entries whose file was processed (a file named twice counts twice)
    int32_t filesChanged = 0;       ///< distinct files that the apply phase writes
    int32_t filesExcluded = 0;      ///< entries whose file the policy excludes
    int32_t filesWritten = 0;       ///< files written so far
    int32_t proceduresSeen = 0;     ///< headers recognised and not excluded
    int32_t blocksInserted = 0;     ///< begin blocks inserted: procedures given a handler
    int32_t alreadyHandled = 0;     ///< headers whose begin block already stands
    int32_t blocksRemoved = 0;      ///< begin blocks taken out
    int32_t endBlocksRemoved = 0;   ///< end blocks taken out
    int32_t proceduresRefused = 0;  ///< procedures no block can go into safely, each named (left as they are), but for:
    int32_t alreadyHaveBlocks = 0;  ///< plain add: procedures refused because their blocks stand already
    int32_t linesNumbered = 0;      ///< number: lines given a number; unnumber: lines that lost one

    RunCounts& operator+=(const RunCounts& other) {
        filesProcessed += other.filesProcessed;
        filesChanged += other.filesChanged;
        filesExcluded += other.filesExcluded;
        filesWritten += other.filesWritten;
        proceduresSeen += other.proceduresSeen;
        blocksInserted += other.blocksInserted;
        alreadyHandled += other.alreadyHandled;
        blocksRemoved += other.blocksRemoved;
        endBlocksRemoved += other.endBlocksRemoved;
        proceduresRefused += other.proceduresRefused;
        alreadyHaveBlocks += other.alreadyHaveBlocks;
        linesNumbered += other.linesNumbered;
        return *this;
    }
};

}  // namespace run
