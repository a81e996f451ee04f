#include "driver/ExportLoop.h"

void RunExportLoop(std::istream& /*script*/, const std::string& /*inPath*/,
                   const std::string& /*outPath*/, std::ostream& /*out*/) {
    // The loop over package and sound lines comes with the package reader.
}
