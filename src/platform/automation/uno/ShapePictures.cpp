#include "platform/automation/uno/ShapePictures.h"

#include <com/sun/star/animations/XAnimate.hpp>
#include <com/sun/star/animations/XAnimationNodeSupplier.hpp>
#include <com/sun/star/awt/Rectangle.hpp>
#include <com/sun/star/document/XExporter.hpp>
#include <com/sun/star/document/XFilter.hpp>
#include <com/sun/star/drawing/FillStyle.hpp>
#include <com/sun/star/drawing/LineStyle.hpp>
#include <com/sun/star/drawing/ShapeCollection.hpp>
#include <com/sun/star/drawing/XMasterPagesSupplier.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/GraphicType.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/io/TempFile.hpp>
#include <com/sun/star/io/SequenceInputStream.hpp>
#include <com/sun/star/io/XSeekable.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/presentation/ParagraphTarget.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/automation/uno/ClickSteps.h"
#include "platform/core/SlidePlace.h"
#include "platform/core/Trace.h"
#include "platform/files/RunFolder.h"
#include "platform/media/Matte.h"
#include "platform/media/PictureFile.h"

namespace kv::uno {

namespace {

using css::uno::Any;
using css::uno::Sequence;
using Shape = Reference<css::drawing::XShape>;
using Node = Reference<css::animations::XAnimationNode>;
using Deadline = std::chrono::steady_clock::time_point;

constexpr int kLargestPicture = 4096;  // pixels a side; the slide area is far smaller

bool Is(const Shape& shape, const char* service) {
    Reference<css::lang::XServiceInfo> info(shape, UNO_QUERY);
    return info.is() && info->supportsService(OUString::createFromAscii(service));
}

// A shape the show draws unlike the office's drawing of the page: another
// program's content (an embedded object such as a chart, a picture drawn from
// vector data), which the show draws with lines, text and gradients of its
// own or as an undersized bitmap, and a still bitmap, which it scales with a
// filter of its own (bilinear, nothing smooths a photo it shrinks, so fine
// detail shimmers). An animated picture stays: the show plays it.
enum class Redrawn { No, Foreign, Bitmap };
Redrawn ShowDrawsOtherwise(const Shape& shape) {
    Reference<css::beans::XPropertySet> properties(shape, UNO_QUERY);
    if (!properties.is()) return Redrawn::No;
    bool empty = false, visible = true, animated = false;
    const auto info = properties->getPropertySetInfo();
    if (info->hasPropertyByName("IsEmptyPresentationObject")) properties->getPropertyValue("IsEmptyPresentationObject") >>= empty;
    if (info->hasPropertyByName("Visible")) properties->getPropertyValue("Visible") >>= visible;
    if (empty || !visible) return Redrawn::No;
    if (Is(shape, "com.sun.star.drawing.OLE2Shape") || Is(shape, "com.sun.star.presentation.OLE2Shape"))
        return Redrawn::Foreign;
    if (!Is(shape, "com.sun.star.drawing.GraphicObjectShape") && !Is(shape, "com.sun.star.presentation.GraphicObjectShape"))
        return Redrawn::No;
    Reference<css::beans::XPropertySet> graphic(properties->getPropertyValue("Graphic"), UNO_QUERY);
    if (!graphic.is()) return Redrawn::No;
    sal_Int8 kind = css::graphic::GraphicType::EMPTY;
    graphic->getPropertyValue("GraphicType") >>= kind;
    if (graphic->getPropertySetInfo()->hasPropertyByName("Animated")) graphic->getPropertyValue("Animated") >>= animated;
    if (kind == css::graphic::GraphicType::VECTOR) return Redrawn::Foreign;
    return kind == css::graphic::GraphicType::PIXEL && !animated ? Redrawn::Bitmap : Redrawn::No;
}

// A shape (or several) drawn by the office's graphic export into a stream of the office's.
Reference<css::io::XStream> Exported(const Reference<css::uno::XComponentContext>& context,
                                     const Reference<css::lang::XComponent>& source,
                                     const css::beans::PropertyValue& kind, const Sequence<css::beans::PropertyValue>& options) {
    Reference<css::io::XStream> stream(css::io::TempFile::create(context), UNO_QUERY_THROW);
    Reference<css::document::XExporter> exporter(
        context->getServiceManager()->createInstanceWithContext("com.sun.star.drawing.GraphicExportFilter", context),
        UNO_QUERY_THROW);
    exporter->setSourceDocument(source);
    const css::beans::PropertyValue descriptor[] = {NamedProperty("OutputStream", Any(stream->getOutputStream())), kind,
                                                    NamedProperty("FilterData", Any(options))};
    if (!Reference<css::document::XFilter>(exporter, UNO_QUERY_THROW)->filter(Sequence(descriptor, 3)))
        throw css::uno::RuntimeException("the office could not draw a shape");
    Reference<css::io::XSeekable>(stream, UNO_QUERY_THROW)->seek(0);
    return stream;
}

std::vector<std::uint8_t> AllOf(const Reference<css::io::XStream>& stream) {
    const Reference<css::io::XInputStream> in = stream->getInputStream();
    std::vector<std::uint8_t> bytes;
    Sequence<sal_Int8> chunk;
    while (in->readBytes(chunk, 65536) > 0) bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    return bytes;
}

// Effects that target `from` target `to` instead.
void Retarget(const Node& node, const Shape& from, const Shape& to) {
    if (Reference<css::animations::XAnimate> animate{node, UNO_QUERY}; animate.is()) {
        const Any target = animate->getTarget();
        Shape shape;
        css::presentation::ParagraphTarget paragraph;
        if ((target >>= shape) && shape == from) {
            animate->setTarget(Any(to));
        } else if ((target >>= paragraph) && paragraph.Shape == from) {
            paragraph.Shape = to;
            animate->setTarget(Any(paragraph));
        }
    }
    for (const Node& child : ChildrenOf(node)) Retarget(child, from, to);
}

struct Replacement {
    Reference<css::drawing::XShapes> page, container;
    Shape shape;
    Redrawn kind = Redrawn::No;
};

// The shapes of a page or group the show draws otherwise, groups searched too.
void CollectRedrawn(const Reference<css::drawing::XShapes>& page, const Reference<css::drawing::XShapes>& shapes,
                    std::vector<Replacement>& found) {
    for (sal_Int32 i = 0; i < shapes->getCount(); ++i) {
        Shape shape(shapes->getByIndex(i), UNO_QUERY);
        if (!shape.is()) continue;
        if (Is(shape, "com.sun.star.drawing.GroupShape")) {
            CollectRedrawn(page, Reference<css::drawing::XShapes>(shape, UNO_QUERY_THROW), found);
            continue;
        }
        try {
            if (const Redrawn kind = ShowDrawsOtherwise(shape); kind != Redrawn::No)
                found.push_back({page, shapes, shape, kind});
        } catch (const css::uno::Exception& e) {
            TraceF("Office could not look at a shape: %s\n", FromOU(e.Message).c_str());
        }
    }
}

// A picture shape showing `graphic` over `bounds`, put into `container` at `zOrder` in its stack.
Shape PlacePicture(const Reference<css::lang::XComponent>& model, const Reference<css::drawing::XShapes>& container,
                   const Reference<css::graphic::XGraphic>& graphic, const css::awt::Rectangle& bounds, const Any& zOrder) {
    Shape picture(Reference<css::lang::XMultiServiceFactory>(model, UNO_QUERY_THROW)
                      ->createInstance("com.sun.star.drawing.GraphicObjectShape"),
                  UNO_QUERY_THROW);
    Reference<css::beans::XPropertySet>(picture, UNO_QUERY_THROW)->setPropertyValue("Graphic", Any(graphic));
    container->add(picture);
    picture->setPosition({bounds.X, bounds.Y});
    picture->setSize({bounds.Width, bounds.Height});
    Reference<css::beans::XPropertySet>(picture, UNO_QUERY_THROW)->setPropertyValue("ZOrder", zOrder);
    return picture;
}

// A PNG file of ours in the run's folder, for as long as it is needed.
class ScratchPicture {
public:
    ScratchPicture() : m_path(NewRunFile("shape", ".png")) {}
    ~ScratchPicture() {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    std::string Path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

media::OwnedPicture Decoded(const std::vector<std::uint8_t>& png, int width, int height) {
    ScratchPicture file;
    std::ofstream(file.Path(), std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    media::OwnedPicture picture;
    std::string why;
    if (!media::ReadPictureFile(file.Path(), width, height, picture, &why)) throw css::uno::RuntimeException(ToOU(why));
    return picture;
}

Sequence<sal_Int8> Encoded(const media::OwnedPicture& picture) {
    ScratchPicture file;
    std::string why;
    if (!media::WritePictureFile(file.Path(), picture, &why, true)) throw css::uno::RuntimeException(ToOU(why));
    std::ifstream in(file.Path(), std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return Sequence<sal_Int8>(reinterpret_cast<const sal_Int8*>(bytes.data()), sal_Int32(bytes.size()));
}

// A plain rectangle without outline over `box`, bottom of the page's stack:
// what a shape is drawn over to learn its coverage.
Shape Backdrop(const Reference<css::lang::XComponent>& model, const Reference<css::drawing::XShapes>& page,
               const GridBox& box) {
    Shape backdrop(Reference<css::lang::XMultiServiceFactory>(model, UNO_QUERY_THROW)
                       ->createInstance("com.sun.star.drawing.RectangleShape"),
                   UNO_QUERY_THROW);
    page->add(backdrop);
    try {
        Reference<css::beans::XPropertySet> properties(backdrop, UNO_QUERY_THROW);
        properties->setPropertyValue("LineStyle", Any(css::drawing::LineStyle_NONE));
        properties->setPropertyValue("FillStyle", Any(css::drawing::FillStyle_SOLID));
        properties->setPropertyValue("ZOrder", Any(sal_Int32(0)));
        backdrop->setPosition({sal_Int32(box.x), sal_Int32(box.y)});
        backdrop->setSize({sal_Int32(box.width), sal_Int32(box.height)});
    } catch (...) {
        page->remove(backdrop);
        throw;
    }
    return backdrop;
}

// A shape drawn on the slide's own pixels, with its coverage: the office
// draws it over a box that reaches the whole pixels around it, once white and
// once black, so the picture holds exactly the pixels its drawing of the page
// gives the shape, edges partly covered included, and lets through what the
// shape lets through. (The office's own transparent pictures lose most of the
// colour of gradients.) `box`: where the picture goes.
Reference<css::graphic::XGraphic> PictureOnSlidePixels(const Reference<css::uno::XComponentContext>& context,
                                                       const Reference<css::lang::XComponent>& model,
                                                       const Replacement& found, double pixelsPerUnit, GridBox& box) {
    css::awt::Rectangle bounds;
    Reference<css::beans::XPropertySet>(found.shape, UNO_QUERY_THROW)->getPropertyValue("BoundRect") >>= bounds;
    box = WholePixelsAround(bounds.X, bounds.Y, bounds.Width, bounds.Height, pixelsPerUnit);
    const int width = box.pixels.width, height = box.pixels.height;
    if (width <= 0 || height <= 0 || width > kLargestPicture || height > kLargestPicture)
        throw css::uno::RuntimeException("the shape has no size to draw at");
    const Shape reach = Backdrop(model, found.page, box);
    media::OwnedPicture overWhite, overBlack;
    try {
        Reference<css::beans::XPropertySet> under(reach, UNO_QUERY_THROW);
        Reference<css::drawing::XShapes> both = css::drawing::ShapeCollection::create(context);
        both->add(reach);
        both->add(found.shape);
        const css::beans::PropertyValue options[] = {NamedProperty("PixelWidth", Any(sal_Int32(width))),
                                                     NamedProperty("PixelHeight", Any(sal_Int32(height)))};
        const auto drawnOver = [&](sal_Int32 colour) {
            under->setPropertyValue("FillColor", Any(colour));
            return Decoded(AllOf(Exported(context, Reference<css::lang::XComponent>(both, UNO_QUERY_THROW),
                                          NamedProperty("MediaType", Any(OUString("image/png"))), Sequence(options, 2))),
                           width, height);
        };
        overWhite = drawnOver(0xFFFFFF);
        overBlack = drawnOver(0x000000);
    } catch (...) {
        found.page->remove(reach);
        throw;
    }
    found.page->remove(reach);
    const Reference<css::io::XInputStream> png(css::io::SequenceInputStream::createStreamFromSequence(
                                                   context, Encoded(media::MatteFromWhiteAndBlack(overWhite, overBlack))),
                                               UNO_QUERY_THROW);
    const css::beans::PropertyValue source[] = {NamedProperty("InputStream", Any(png))};
    return css::graphic::GraphicProvider::create(context)->queryGraphic(Sequence(source, 1));
}

void Replace(const Reference<css::uno::XComponentContext>& context, const Reference<css::lang::XComponent>& model,
             const Replacement& found, const Node& effects, double pixelsPerUnit) {
    Reference<css::beans::XPropertySet> old(found.shape, UNO_QUERY_THROW);
    GridBox box;
    const Reference<css::graphic::XGraphic> graphic = PictureOnSlidePixels(context, model, found, pixelsPerUnit, box);
    const Shape picture =
        PlacePicture(model, found.container, graphic,
                     {sal_Int32(box.x), sal_Int32(box.y), sal_Int32(box.width), sal_Int32(box.height)},
                     old->getPropertyValue("ZOrder"));
    Reference<css::beans::XPropertySet>(picture, UNO_QUERY_THROW)->setPropertyValue("Name", old->getPropertyValue("Name"));
    old->setPropertyValue("Visible", Any(false));
    if (effects.is()) Retarget(effects, found.shape, picture);
}

// The effects of the page a shape lies on.
Node EffectsOf(const Reference<css::drawing::XShapes>& page) {
    Reference<css::animations::XAnimationNodeSupplier> supplier(page, UNO_QUERY);
    return supplier.is() ? supplier->getAnimationNode() : Node();
}

// Every shape of the deck's slides and masters the show draws otherwise,
// other programs' content first: a deck too rich for the time budget keeps
// some bitmaps as the show scales them, never a chart the show would shrink.
std::vector<Replacement> RedrawnInDeck(const Reference<css::lang::XComponent>& model) {
    std::vector<Replacement> redrawn;
    Reference<css::drawing::XDrawPagesSupplier> slides(model, UNO_QUERY_THROW);
    Reference<css::drawing::XMasterPagesSupplier> masters(model, UNO_QUERY_THROW);
    for (const Reference<css::drawing::XDrawPages>& pages : {slides->getDrawPages(), masters->getMasterPages()})
        for (sal_Int32 i = 0; i < pages->getCount(); ++i) {
            const Reference<css::drawing::XShapes> page(pages->getByIndex(i), UNO_QUERY_THROW);
            CollectRedrawn(page, page, redrawn);
        }
    std::stable_partition(redrawn.begin(), redrawn.end(),
                          [](const Replacement& found) { return found.kind == Redrawn::Foreign; });
    return redrawn;
}

void PostersOverFilms(const Reference<css::lang::XComponent>& model, const Reference<css::drawing::XShapes>& shapes) {
    for (sal_Int32 i = shapes->getCount() - 1; i >= 0; --i) {
        Shape shape(shapes->getByIndex(i), UNO_QUERY);
        if (Is(shape, "com.sun.star.drawing.GroupShape")) PostersOverFilms(model, Reference<css::drawing::XShapes>(shape, UNO_QUERY_THROW));
        if (!Is(shape, "com.sun.star.drawing.MediaShape") && !Is(shape, "com.sun.star.presentation.MediaShape")) continue;
        Reference<css::beans::XPropertySet> film(shape, UNO_QUERY_THROW);
        Reference<css::graphic::XGraphic> poster;
        film->getPropertyValue("FallbackGraphic") >>= poster;
        if (!poster.is()) continue;
        sal_Int32 below = 0;
        film->getPropertyValue("ZOrder") >>= below;
        const css::awt::Point at = shape->getPosition();
        const css::awt::Size size = shape->getSize();
        PlacePicture(model, shapes, poster, {at.X, at.Y, size.Width, size.Height}, Any(below + 1));
    }
}

}  // namespace

void DrawFilmsAsTheirPosters(const Reference<css::lang::XComponent>& model) {
    Reference<css::drawing::XDrawPagesSupplier> slides(model, UNO_QUERY_THROW);
    const Reference<css::drawing::XDrawPages> pages = slides->getDrawPages();
    for (sal_Int32 i = 0; i < pages->getCount(); ++i)
        PostersOverFilms(model, Reference<css::drawing::XShapes>(pages->getByIndex(i), UNO_QUERY_THROW));
}

int ShowShapesAsTheOfficeDrawsThem(const Reference<css::uno::XComponentContext>& context,
                                   const Reference<css::lang::XComponent>& model, double pixelsPerUnit,
                                   std::chrono::milliseconds budget) {
    const Deadline until = std::chrono::steady_clock::now() + budget;
    int replaced = 0;
    for (const Replacement& found : RedrawnInDeck(model)) {
        if (std::chrono::steady_clock::now() > until) {
            TraceF("Office drew shapes as pictures for %lld ms; the rest stay as the show draws them\n",
                   static_cast<long long>(budget.count()));
            break;
        }
        try {
            Replace(context, model, found, EffectsOf(found.page), pixelsPerUnit);
            ++replaced;
        } catch (const css::uno::Exception& e) {
            TraceF("Office could not draw a shape as a picture: %s\n", FromOU(e.Message).c_str());
        }
    }
    return replaced;
}

}  // namespace kv::uno
