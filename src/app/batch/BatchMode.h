#pragma once
// `kalvista --convert PRESENTATION ...`: one conversion without the wizard,
// for people and scripts. The settings are stored as the wizard's Convert
// stores them, the container starts recording at once, and the conversion
// dialog closes by itself when the video is done.
namespace kv {

// True when the command line asks for the batch mode.
bool WantsBatchMode(int argc, char** argv);

// Runs the batch mode; 0 only when the output file exists and is complete,
// otherwise non-zero with the reason on stderr. Prints the video's path.
int RunBatchMode(int argc, char** argv);

}  // namespace kv
