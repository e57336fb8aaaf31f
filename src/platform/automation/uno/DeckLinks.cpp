#include "platform/automation/uno/DeckLinks.h"

#include <com/sun/star/beans/UnknownPropertyException.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/drawing/XMasterPagesSupplier.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/io/XInputStream.hpp>
#include <com/sun/star/presentation/ClickAction.hpp>
#include <osl/file.hxx>

#include <fstream>
#include <iterator>
#include <optional>

#include "platform/core/Paths.h"
#include "platform/core/Trace.h"

namespace kv::uno {

namespace fs = std::filesystem;

namespace {

using css::presentation::ClickAction;
namespace show = css::presentation;
using css::uno::Any;

std::optional<fs::path> LocalPath(const OUString& url) {
    if (!url.startsWithIgnoreAsciiCase("file:")) return std::nullopt;
    OUString path;
    if (osl::FileBase::getSystemPathFromFileURL(url, path) != osl::FileBase::E_None) return std::nullopt;
    return fs::path(FromOU(path)).lexically_normal();
}

template <typename Value>
std::optional<Value> Property(const Reference<css::beans::XPropertySet>& object, const char* name) {
    try {
        Value value{};
        if (object->getPropertyValue(OUString::createFromAscii(name)) >>= value) return value;
    } catch (const css::beans::UnknownPropertyException&) {
    }
    return std::nullopt;
}

class LinkCutter {
public:
    LinkCutter(const Reference<css::uno::XComponentContext>& context, const LinkPlaces& places)
        : m_context(context), m_places(places) {}

    void Page(const Reference<css::drawing::XShapes>& shapes) {
        Reference<css::beans::XPropertySet> page(shapes, UNO_QUERY);
        if (page.is() && !m_places.linksAllowed) LinkedMedia(page, "Sound");
        for (sal_Int32 i = 0; i < shapes->getCount(); ++i)
            Shape(Reference<css::beans::XPropertySet>(shapes->getByIndex(i), UNO_QUERY));
    }

    const LinkCounts& Counts() const { return m_counts; }

private:
    void Shape(const Reference<css::beans::XPropertySet>& shape) {
        if (!shape.is()) return;
        Action(shape);
        Reference<css::drawing::XShapes> group(shape, UNO_QUERY);
        if (group.is()) Page(group);
        Reference<css::text::XText> text(shape, UNO_QUERY);
        if (text.is()) TextLinks(text);
        if (m_places.linksAllowed) return;
        Reference<css::lang::XServiceInfo> kind(shape, UNO_QUERY);
        if (kind.is() && kind->supportsService("com.sun.star.drawing.GraphicObjectShape")) Picture(shape);
        else if (kind.is() && kind->supportsService("com.sun.star.drawing.MediaShape")) LinkedMedia(shape, "MediaURL");
        LinkedMedia(shape, "Sound");
    }

    // A click in the show may move within it, nothing more.
    void Action(const Reference<css::beans::XPropertySet>& shape) {
        const auto action = Property<ClickAction>(shape, "OnClick");
        if (!action) return;
        const bool leaves = *action == show::ClickAction_DOCUMENT || *action == show::ClickAction_PROGRAM ||
                            *action == show::ClickAction_MACRO || *action == show::ClickAction_VERB;
        if (*action == show::ClickAction_SOUND && !m_places.linksAllowed) LinkedMedia(shape, "Bookmark");
        if (!leaves) return;
        shape->setPropertyValue("OnClick", Any(show::ClickAction_NONE));
        shape->setPropertyValue("Bookmark", Any(OUString()));
        ++m_counts.actionsRemoved;
    }

    // Hyperlinks in the text keep their words, not their address.
    void TextLinks(const Reference<css::text::XText>& text) {
        Reference<css::container::XEnumerationAccess> paragraphs(text, UNO_QUERY);
        if (!paragraphs.is()) return;
        const auto eachParagraph = paragraphs->createEnumeration();
        while (eachParagraph->hasMoreElements()) {
            Reference<css::container::XEnumerationAccess> portions(eachParagraph->nextElement(), UNO_QUERY);
            if (!portions.is()) continue;
            const auto eachPortion = portions->createEnumeration();
            while (eachPortion->hasMoreElements()) {
                Reference<css::beans::XPropertySet> portion(eachPortion->nextElement(), UNO_QUERY);
                const bool field = portion.is() && Property<OUString>(portion, "TextPortionType").value_or("") == "TextField";
                if (!field) continue;
                Reference<css::beans::XPropertySet> link;
                portion->getPropertyValue("TextField") >>= link;
                if (!link.is() || Property<OUString>(link, "URL").value_or("").isEmpty()) continue;
                link->setPropertyValue("URL", Any(OUString()));
                ++m_counts.actionsRemoved;
            }
        }
    }

    // Where the office may take a film or a sound from as it is: the deck
    // itself, its own temporary files, what lies beside the copy it opened.
    bool Allowed(const OUString& url) const {
        if (url.isEmpty() || url.startsWithIgnoreAsciiCase("vnd.sun.star.")) return true;
        const auto path = LocalPath(url);
        std::error_code error;
        return path &&
               (PathUnder(*path, m_places.officeTemp) || (PathUnder(*path, m_places.openedFolder) && fs::exists(*path, error)));
    }

    // A film or sound the deck links to (in the property `name`): from its
    // own folder it is put beside the copy the office opened (the office
    // sees nothing else); from anywhere else it is cut off.
    void LinkedMedia(const Reference<css::beans::XPropertySet>& object, const char* name) {
        const auto url = Property<OUString>(object, name);
        if (!url || Allowed(*url)) return;
        const std::optional<fs::path> file = FileOfTheFolder(*url);
        const bool staged = m_places.openedFolder != m_places.deckFolder;
        if (file && !staged) return;  // the office reads the deck's folder itself
        OUString given;
        if (file && GiveToTheOffice(*file, given)) {
            ++m_counts.filesFromTheFolder;
        } else {
            ++m_counts.linksCut;
        }
        object->setPropertyValue(OUString::createFromAscii(name), Any(given));
    }

    // Copies a file of the deck's folder beside the copy the office opened; its new URL in `url`.
    bool GiveToTheOffice(const fs::path& file, OUString& url) {
        std::error_code error;
        if (fs::file_size(file, error) > kLargestLinkedFile || error) return false;
        const std::string name = "linked-" + std::to_string(++m_copies) + file.extension().string();
        const fs::path copy = m_places.openedFolder / name;
        if (!fs::copy_file(file, copy, error)) return false;
        osl::FileBase::getFileURLFromSystemPath(ToOU(copy.string()), url);
        return true;
    }

    void Picture(const Reference<css::beans::XPropertySet>& shape) {
        Reference<css::beans::XPropertySet> graphic;
        if (!(shape->getPropertyValue("Graphic") >>= graphic) || !graphic.is()) return;
        const OUString origin = Property<OUString>(graphic, "OriginURL").value_or(OUString());
        if (origin.isEmpty()) return;  // part of the deck
        const std::optional<fs::path> file = FileOfTheFolder(origin);
        const auto bytes = file ? Read(*file, kLargestLinkedPicture) : std::nullopt;
        if (!bytes) {
            ++m_counts.linksCut;  // the office shows it as a missing link
            return;
        }
        const Any content(*bytes);
        Reference<css::io::XInputStream> stream(
            m_context->getServiceManager()->createInstanceWithArgumentsAndContext(
                "com.sun.star.io.SequenceInputStream", css::uno::Sequence<Any>(&content, 1), m_context),
            UNO_QUERY_THROW);
        css::beans::PropertyValue source;
        source.Name = "InputStream";
        source.Value <<= stream;
        const Reference<css::graphic::XGraphic> picture =
            css::graphic::GraphicProvider::create(m_context)->queryGraphic(
                css::uno::Sequence<css::beans::PropertyValue>(&source, 1));
        if (!picture.is()) return;
        shape->setPropertyValue("Graphic", Any(picture));
        ++m_counts.filesFromTheFolder;
    }

    // The file a link names when it lies in the deck's own folder (also
    // through the copy the office opened), links resolved; nothing otherwise.
    std::optional<fs::path> FileOfTheFolder(const OUString& url) const {
        const auto path = LocalPath(url);
        if (!path) return std::nullopt;
        fs::path wanted = *path;
        if (PathUnder(wanted, m_places.openedFolder))
            wanted = m_places.deckFolder / wanted.lexically_relative(m_places.openedFolder);
        std::error_code error;
        const fs::path real = fs::canonical(wanted, error), folder = fs::canonical(m_places.deckFolder, error);
        if (error || !PathUnder(real, folder) || !fs::is_regular_file(real, error)) return std::nullopt;
        return real;
    }

    static std::optional<css::uno::Sequence<sal_Int8>> Read(const fs::path& file, std::uintmax_t largest) {
        std::error_code error;
        if (fs::file_size(file, error) > largest || error) return std::nullopt;
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!in && !in.eof()) return std::nullopt;
        return css::uno::Sequence<sal_Int8>(reinterpret_cast<const sal_Int8*>(bytes.data()),
                                            static_cast<sal_Int32>(bytes.size()));
    }

    Reference<css::uno::XComponentContext> m_context;
    const LinkPlaces& m_places;
    LinkCounts m_counts;
    int m_copies = 0;
};

void WalkPages(LinkCutter& cutter, const Reference<css::container::XIndexAccess>& pages) {
    for (sal_Int32 i = 0; pages.is() && i < pages->getCount(); ++i)
        cutter.Page(Reference<css::drawing::XShapes>(pages->getByIndex(i), UNO_QUERY_THROW));
}

}  // namespace

LinkCounts CloseOffLinks(const Reference<css::uno::XComponentContext>& context,
                         const Reference<css::lang::XComponent>& model, const LinkPlaces& places) {
    LinkCutter cutter(context, places);
    Reference<css::drawing::XDrawPagesSupplier> slides(model, UNO_QUERY);
    if (slides.is()) WalkPages(cutter, Reference<css::container::XIndexAccess>(slides->getDrawPages(), UNO_QUERY));
    Reference<css::drawing::XMasterPagesSupplier> masters(model, UNO_QUERY);
    if (masters.is()) WalkPages(cutter, Reference<css::container::XIndexAccess>(masters->getMasterPages(), UNO_QUERY));
    const LinkCounts& counts = cutter.Counts();
    if (counts.filesFromTheFolder + counts.linksCut + counts.actionsRemoved > 0)
        TraceF("Office deck closed off: %d files of its folder given, %d outside links cut, %d actions removed\n",
               counts.filesFromTheFolder, counts.linksCut, counts.actionsRemoved);
    return counts;
}

}  // namespace kv::uno
