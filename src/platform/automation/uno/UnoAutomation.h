#pragma once
// The office backend: LibreOffice Impress driven through UNO, answering the
// automation calls of the presentation program. The program registers it once
// at start-up; the core finds it by ProgID and never depends on it.
#include <memory>
#include <string>

namespace kv {

namespace uno {
class OfficeConnection;
}

// Registers the backend under "Powerpoint.Application". Safe to call more than once.
void RegisterUnoAutomation();

// Whether the offices started from now on may fetch what decks link to (the
// user trusts them: --allow-linked-content). Off by default: each office then
// runs in a closed room, without network, and sees only the deck itself.
void AllowLinkedContent(bool allowed);

// Starts an office of ours in the background (for example while the wizard is
// still open), so that the slide show starts sooner; the next CreateDispatch
// takes it over.
void PreloadOffice();
// Ends an office that PreloadOffice started and nothing took over (waiting for
// its start to finish first). Call it before the program ends.
void EndPreloadedOffice();

// One office for several runs of this program: while it runs, the runs this
// process starts connect to it instead of starting an office each (they
// learn of it from their environment), and leave it running when they end.
class SharedOffice {
public:
    SharedOffice();
    ~SharedOffice();  // ends it
    SharedOffice(const SharedOffice&) = delete;
    SharedOffice& operator=(const SharedOffice&) = delete;

    // False with the reason in *why; the runs then start offices of their own.
    bool Start(std::string* why);
    void End();
    bool Running() const;

private:
    std::shared_ptr<uno::OfficeConnection> m_office;
};

}  // namespace kv
