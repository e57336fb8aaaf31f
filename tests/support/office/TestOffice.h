#pragma once
// An office of the test's own, on the test's X server: it makes the test
// presentations (so no file comes from elsewhere) and can stand for "the
// user's office" that the program must leave alone. Ended, with its whole
// process group, when the object goes.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kvtest {

struct SlideDesign {
    std::uint32_t colour = 0xFFFFFF;  // 0xRRGGBB, the slide's solid background
    double advanceSeconds = 0;        // > 0: the slide moves on by itself after this time
    double fadeSeconds = 0;           // > 0: the slide comes in with a cross-fade this long
    bool hidden = false;              // left out of the show
    bool clickDespiteTime = false;    // with advanceSeconds: effects run by themselves, the slide waits for a click
    std::filesystem::path sound = {};  // a sound file the slide plays as it comes in
};

class TestOffice {
public:
    // Starts the office; throws std::runtime_error when it cannot.
    TestOffice();
    ~TestOffice();
    TestOffice(const TestOffice&) = delete;
    TestOffice& operator=(const TestOffice&) = delete;

    // Saves a presentation with these slides (text "Slide k" on each) in the
    // format its extension names: .pptx, .ppsx, .ppt or .odp. A password
    // encrypts it (.odp, .pptx and .ppsx).
    void MakePresentation(const std::filesystem::path& path, const std::vector<SlideDesign>& slides,
                          const std::string& password = {});
    // The same with `texts[k]` instead of "Slide k" on slide k + 1.
    void MakePresentationWithTexts(const std::filesystem::path& path, const std::vector<SlideDesign>& slides,
                                   const std::vector<std::string>& texts);
    // Opens the presentation `from` and saves it as `to`, in the format its extension names.
    void SaveAs(const std::filesystem::path& from, const std::filesystem::path& to);
    // Saves a drawing (a document of the office, but not a presentation) under any name.
    void MakeDrawing(const std::filesystem::path& path);
    // Keeps a document open in this office, as a user working in it would.
    void OpenDocument(const std::filesystem::path& path);
    // True while the office runs and still has the document of OpenDocument open.
    bool StillHasOpenDocument();

    pid_t ProcessGroup() const;

    // The colours the presentations use, easy to tell apart on screen.
    static std::vector<SlideDesign> ThreeColours(double advanceSeconds = 0);

private:
    struct Impl;
    static void MakeSlides(Impl& impl, const std::filesystem::path& path, const std::vector<SlideDesign>& slides,
                           const std::string& password, const std::vector<std::string>& texts);
    std::unique_ptr<Impl> m_impl;
};

// Office processes (soffice.bin) in this process group; empty when none is left.
std::vector<pid_t> OfficeProcessesInGroup(pid_t group);

}  // namespace kvtest
