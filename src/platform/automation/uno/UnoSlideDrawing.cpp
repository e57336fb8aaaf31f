#include "platform/automation/uno/UnoSlideDrawing.h"

#include <com/sun/star/document/XExporter.hpp>
#include <com/sun/star/document/XFilter.hpp>
#include <com/sun/star/drawing/XDrawPage.hpp>
#include <osl/file.hxx>

#include <sys/resource.h>

#include <filesystem>

#include "platform/automation/Dispatch.h"
#include "platform/automation/uno/DeckChecks.h"
#include "platform/automation/uno/DeckLinks.h"
#include "platform/automation/uno/InteractionBlocker.h"
#include "platform/automation/uno/OfficeConnection.h"
#include "platform/automation/uno/OwnTimings.h"
#include "platform/automation/uno/PageTiming.h"
#include "platform/automation/uno/PreloadedOffice.h"
#include "platform/automation/uno/ShapePictures.h"
#include "platform/automation/uno/SlideMotionFacts.h"
#include "platform/automation/uno/SlideTexts.h"
#include "platform/core/SlidePlace.h"
#include "platform/core/Trace.h"
#include "platform/media/PictureFile.h"
#include "platform/files/DeckLimits.h"
#include "platform/files/FileMove.h"

namespace kv {

namespace {

using namespace uno;
using css::uno::Any;


template <size_t N>
css::uno::Sequence<css::beans::PropertyValue> Properties(const css::beans::PropertyValue (&list)[N]) {
    return css::uno::Sequence<css::beans::PropertyValue>(list, N);
}

OUString FileUrl(const std::string& path) {
    OUString url;
    osl::FileBase::getFileURLFromSystemPath(ToOU(std::filesystem::absolute(path).string()), url);
    return url;
}

// A presentation and what the office opened for it (a copy in its room).
struct Staged {
    std::filesystem::path file;
    std::filesystem::path opened;
};

// What the show makes of one slide.
SlideFacts ReadFacts(const Reference<css::beans::XPropertySet>& page, int number) {
    SlideFacts facts;
    facts.number = number;
    bool visible = true;
    page->getPropertyValue("Visible") >>= visible;
    facts.hidden = !visible;
    const PageTiming timing = ReadPageTiming(page);
    if (timing.OnTime()) facts.ownSeconds = timing.seconds;
    sal_Int16 transition = 0;
    double transitionSeconds = 0;
    page->getPropertyValue("TransitionType") >>= transition;
    page->getPropertyValue("TransitionDuration") >>= transitionSeconds;
    if (transition != 0 && transitionSeconds > 0) facts.transitionSeconds = transitionSeconds;
    SlideTexts texts = ReadSlideTexts(page);
    facts.titleText = std::move(texts.title);
    facts.topmostText = std::move(texts.topmost);
    facts.notes = std::move(texts.notes);
    facts.motion = ReadSlideMotion(page);
    return facts;
}

class UnoSlidePictures : public SlidePictures {
public:
    UnoSlidePictures(std::shared_ptr<OfficeConnection> office, Reference<css::lang::XComponent> model, Staged staged)
        : m_office(std::move(office)), m_model(std::move(model)), m_staged(std::move(staged)) {
        m_office->Call([&] {
            Reference<css::drawing::XDrawPagesSupplier> supplier(m_model, UNO_QUERY_THROW);
            m_pages.set(supplier->getDrawPages(), UNO_QUERY_THROW);
            for (sal_Int32 i = 0; i < m_pages->getCount(); ++i)
                m_slides.push_back(ReadFacts(Reference<css::beans::XPropertySet>(m_pages->getByIndex(i), UNO_QUERY_THROW), i + 1));
            // The films are read by us for their length: only the deck's own.
            for (SlideFacts& slide : m_slides) {
                std::vector<std::string> ours;
                for (const std::string& film : slide.motion.media)
                    if (const auto path = m_office->OurPathOf(film, m_staged.opened); !path.empty()) ours.push_back(path);
                slide.motion.media = std::move(ours);
            }
            DrawFilmsAsTheirPosters(m_model);
            // Every page of a presentation has its size; the show fits the first one.
            if (m_pages->getCount() > 0) {
                Reference<css::beans::XPropertySet> first(m_pages->getByIndex(0), UNO_QUERY_THROW);
                sal_Int32 width = 0, height = 0;
                first->getPropertyValue("Width") >>= width;
                first->getPropertyValue("Height") >>= height;
                m_pageWidth = width, m_pageHeight = height;
            }
        });
    }
    ~UnoSlidePictures() override {
        if (m_office->Alive()) {
            try {
                m_office->Call([&] { Reference<css::util::XCloseable>(m_model, UNO_QUERY_THROW)->close(true); });
            } catch (...) {
                Trace("Office could not close a presentation it drew\n");
            }
        }
        Unstage(m_staged.opened, m_staged.file);
    }

    const std::vector<SlideFacts>& Slides() const override { return m_slides; }

    bool DrawSlide(int number, int width, int height, const std::string& pngPath, std::string* why) override {
        const PixelRect place = SlidePlaceIn(width, height, m_pageWidth, m_pageHeight);
        if (place == PixelRect{0, 0, width, height}) return Export(number, width, height, pngPath, why);
        // The office stretches a page to the size asked for: it draws the page
        // at its place, and the bands around it are added here.
        const std::string alone = pngPath + ".page.png";
        media::OwnedPicture page;
        const bool drawn = Export(number, place.width, place.height, alone, why) &&
                           media::ReadPictureFile(alone, place.width, place.height, page, why) &&
                           media::WritePictureFile(pngPath, media::PlacedOnBlack(width, height, page, place.x, place.y), why);
        std::error_code ignored;
        std::filesystem::remove(alone, ignored);
        return drawn;
    }

private:
    // The page alone at exactly width x height pixels.
    bool Export(int number, int width, int height, const std::string& pngPath, std::string* why) {
        // An office in a closed room writes only inside it; the picture is moved out after.
        const std::filesystem::path drawn = m_office->Outbox(pngPath);
        try {
            m_office->Call([&] {
                const auto& context = m_office->Context();
                Reference<css::document::XExporter> exporter(
                    context->getServiceManager()->createInstanceWithContext("com.sun.star.drawing.GraphicExportFilter", context),
                    UNO_QUERY_THROW);
                exporter->setSourceDocument(Reference<css::lang::XComponent>(m_pages->getByIndex(number - 1), UNO_QUERY_THROW));
                const css::beans::PropertyValue size[] = {NamedProperty("PixelWidth", Any(sal_Int32(width))),
                                                          NamedProperty("PixelHeight", Any(sal_Int32(height)))};
                const css::beans::PropertyValue descriptor[] = {NamedProperty("URL", Any(FileUrl(drawn))),
                                                                NamedProperty("MediaType", Any(OUString("image/png"))),
                                                                NamedProperty("FilterData", Any(Properties(size)))};
                if (!Reference<css::document::XFilter>(exporter, UNO_QUERY_THROW)->filter(Properties(descriptor)))
                    throw AutomationException(E_FAIL, "the office's graphic export failed");
            });
        } catch (const std::exception& e) {
            if (why) *why = "slide " + std::to_string(number) + " could not be drawn: " + e.what();
            return false;
        }
        std::error_code error;
        if (drawn != pngPath) {
            std::filesystem::remove(pngPath, error);
            MoveFileTo(drawn, pngPath, error);
        }
        if (std::filesystem::file_size(pngPath, error) == 0 || error) {
            if (why) *why = "slide " + std::to_string(number) + " was not drawn";
            return false;
        }
        return true;
    }


private:
    std::shared_ptr<OfficeConnection> m_office;
    Reference<css::lang::XComponent> m_model;
    Staged m_staged;
    Reference<css::container::XIndexAccess> m_pages;
    std::vector<SlideFacts> m_slides;
    long long m_pageWidth = 0, m_pageHeight = 0;  // hundredths of a millimetre
};

class UnoDrawingOffice : public SlideDrawingOffice {
public:
    explicit UnoDrawingOffice(std::shared_ptr<OfficeConnection> office) : m_office(std::move(office)) {}
    ~UnoDrawingOffice() override { m_office->Quit(); }

    std::unique_ptr<SlidePictures> Open(const std::string& path, std::string* why) override {
        const std::filesystem::path file = std::filesystem::absolute(path);
        if (std::string refused = RefusedBeforeLoad(file); !refused.empty()) {
            if (why) *why = refused;
            return nullptr;
        }
        std::string stageProblem;
        const Staged staged{file, m_office->Stage(file, &stageProblem)};
        if (staged.opened.empty()) {
            if (why) *why = stageProblem;
            return nullptr;
        }
        OfficeQuestion asked = OfficeQuestion::None;
        bool otherKind = false;
        try {
            Reference<css::lang::XComponent> model = Load(staged, asked, otherKind);
            if (!model.is()) {
                Unstage(staged.opened, staged.file);
                if (why) *why = otherKind ? NotAPresentationReason(file) : NotOpenedReason(file, asked, {});
                return nullptr;
            }
            auto pictures = std::make_unique<UnoSlidePictures>(m_office, model, staged);
            if (pictures->Slides().empty()) {
                if (why) *why = NoSlidesReason(file);
                return nullptr;
            }
            if (std::string refused = SlideCountRefusal(file, static_cast<int>(pictures->Slides().size())); !refused.empty()) {
                if (why) *why = refused;
                return nullptr;
            }
            return pictures;
        } catch (const std::exception& e) {
            Unstage(staged.opened, staged.file);
            if (why) *why = NotOpenedReason(file, asked, e.what());
            return nullptr;
        }
    }

    bool Usable() const override { return m_office->Alive(); }

private:
    // Hidden and read-only: nothing on screen, no lock on the user's file;
    // every question the office would ask is answered "abort".
    // `asked`: the office's first question; `otherKind`: it opened a document that is no presentation.
    Reference<css::lang::XComponent> Load(const Staged& staged, OfficeQuestion& asked, bool& otherKind) {
        rtl::Reference<InteractionBlocker> blocker = new InteractionBlocker();
        const css::beans::PropertyValue properties[] = {
            NamedProperty("InteractionHandler", Any(Reference<css::task::XInteractionHandler>(blocker.get()))),
            NamedProperty("Hidden", Any(true)), NamedProperty("ReadOnly", Any(true)),
            NamedProperty("MacroExecutionMode", Any(css::document::MacroExecMode::NEVER_EXECUTE)),
            NamedProperty("UpdateDocMode", Any(css::document::UpdateDocMode::NO_UPDATE)),
            NamedProperty("RepairPackage", Any(false))};
        Reference<css::lang::XComponent> model;
        try {
            m_office->Call(
                [&] {
                    Reference<css::frame::XComponentLoader> loader(m_office->Desktop(), UNO_QUERY_THROW);
                    model = loader->loadComponentFromURL(FileUrl(staged.opened), "_blank", 0, Properties(properties));
                    Reference<css::lang::XServiceInfo> info(model, UNO_QUERY);
                    if (model.is() &&
                        !(info.is() && info->supportsService("com.sun.star.presentation.PresentationDocument"))) {
                        otherKind = true;
                        Reference<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
                        model.clear();
                    }
                    if (!model.is()) return;
                    RestoreOwnTimings(staged.opened, model);
                    CloseOffLinks(m_office->Context(), model, m_office->PlacesFor(staged.file, staged.opened));
                },
                kLoadLimitMs);
        } catch (...) {
            asked = blocker->FirstQuestion();
            throw;
        }
        asked = blocker->FirstQuestion();
        return model;
    }

    std::shared_ptr<OfficeConnection> m_office;
};

}  // namespace

std::unique_ptr<SlideDrawingOffice> StartSlideDrawingOffice(std::string* why) {
    std::string error;
    // The wizard starts an office while the user chooses; rendering takes it over.
    auto office = TakePreloadedOrStartOffice(&error);
    if (!office) {
        if (why) *why = "The office could not be started: " + error;
        return nullptr;
    }
    // Drawing pictures is never in a hurry, while the shows that record
    // what moves beside it play in real time: it yields the processor to them.
    if (office->ProcessGroup() > 0) ::setpriority(PRIO_PGRP, static_cast<id_t>(office->ProcessGroup()), 10);
    return std::make_unique<UnoDrawingOffice>(std::move(office));
}

}  // namespace kv
