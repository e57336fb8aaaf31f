#pragma once
// Several presentations on the recorded path: one after another (a recorded
// show needs the screen to itself), each by a run of this program of its own,
// so one that fails or crashes leaves the others alone. The runs share one
// office, started once for all of them (again after a run that failed).
#include <string>
#include <vector>

#include "app/batch/BatchOptions.h"

namespace kv {

// 0 when every video is complete, otherwise 1; one line per presentation.
int ConvertRecordedDecks(const std::vector<std::string>& args, const BatchOptions& options);

// The command line for one presentation: `args` without the presentations
// and the output folder, then "--convert PRESENTATION --output VIDEO".
std::vector<std::string> OneDeckArguments(const std::vector<std::string>& args, const std::string& presentation,
                                          const std::string& video);

// True in a run that ConvertRecordedDecks started: its parent holds the
// program's single-instance lock for it.
bool RunsUnderParentsHold();

}  // namespace kv
