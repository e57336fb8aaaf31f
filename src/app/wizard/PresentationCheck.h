#pragma once
// Whether the wizard can convert a presentation file or write into an output
// folder, found before anything is stored or played, and said in words that
// name the cause.
#include <string>

namespace kv::wizard {

// Where the presentation's name came from: a name that was never there and
// one that has gone since are told apart.
enum class PresentationSource {
    Picker,       // chosen in the file dialog just now
    CommandLine,  // given when the program was started
    Chosen,       // chosen earlier, checked again at Convert
};

// Why `path` cannot be converted; empty when it can. The one place that
// decides whether a file is a presentation the wizard takes: its name, that
// it can be read, and what its contents start with.
std::string PresentationProblem(const std::string& path, PresentationSource source);

// Why the video cannot be written into `folder`; empty when it can. A file
// is made and removed again there, as the permission bits alone do not tell
// (a read-only disk, a folder such as /proc, or root's rights).
std::string OutputFolderProblem(const std::string& folder);

}  // namespace kv::wizard
