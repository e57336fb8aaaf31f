#pragma once
// The office backend: LibreOffice Impress driven through UNO, answering the
// automation calls of the presentation program. The program registers it once
// at start-up; the core finds it by ProgID and never depends on it.
namespace kv {

// Registers the backend under "Powerpoint.Application". Safe to call more than once.
void RegisterUnoAutomation();

// Starts an office of ours in the background (for example while the wizard is
// still open), so that the slide show starts sooner; the next CreateDispatch
// takes it over.
void PreloadOffice();
// Ends an office that PreloadOffice started and nothing took over (waiting for
// its start to finish first). Call it before the program ends.
void EndPreloadedOffice();

}  // namespace kv
