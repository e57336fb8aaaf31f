#pragma once
// Stores a batch conversion's settings exactly as the wizard's Convert does,
// and reads back what the container is started with.
#include "app/batch/BatchOptions.h"
#include "app/core/ContainerRunner.h"

namespace kv {

// The intermediate AVI and the output file the wizard would name.
struct BatchFileNames {
    std::string aviVideoFileName;
    std::string outputFileName;
};
BatchFileNames MakeBatchFileNames(const BatchOptions& options, const std::string& defaultFolder);

// Several presentations: each video is <folder>/<name>.<ext> (the output
// folder, else `defaultFolder`), every name free on disk and among the others;
// an empty file holds each name until its video comes.
struct Deck {
    std::string presentation;
    std::string output;
};
std::vector<Deck> NameDeckVideos(const BatchOptions& options, const std::string& defaultFolder);

// Writes every setting in the wizard's order; `soundDevice` is the position
// in the sound device list.
void StoreBatchSettings(const BatchOptions& options, const BatchFileNames& names, int soundDevice);

// The container's arguments, read back from the store as the wizard does.
ContainerRequest ReadContainerRequest();

}  // namespace kv
