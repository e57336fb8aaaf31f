#include "platform/automation/uno/ShapePictures.h"

#include <com/sun/star/animations/XAnimate.hpp>
#include <com/sun/star/animations/XAnimationNodeSupplier.hpp>
#include <com/sun/star/awt/Rectangle.hpp>
#include <com/sun/star/document/XExporter.hpp>
#include <com/sun/star/document/XFilter.hpp>
#include <com/sun/star/drawing/XMasterPagesSupplier.hpp>
#include <com/sun/star/graphic/GraphicProvider.hpp>
#include <com/sun/star/graphic/GraphicType.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/io/TempFile.hpp>
#include <com/sun/star/io/XSeekable.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/presentation/ParagraphTarget.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/automation/uno/ClickSteps.h"
#include "platform/automation/uno/MetafileActions.h"
#include "platform/core/Trace.h"

namespace kv::uno {

namespace {

using css::uno::Any;
using css::uno::Sequence;
using Shape = Reference<css::drawing::XShape>;
using Node = Reference<css::animations::XAnimationNode>;

constexpr int kLargestPicture = 4096;  // pixels a side; the slide area is far smaller

bool Is(const Shape& shape, const char* service) {
    Reference<css::lang::XServiceInfo> info(shape, UNO_QUERY);
    return info.is() && info->supportsService(OUString::createFromAscii(service));
}

// A shape of another program's making, as the show tells them: an embedded
// object (a chart, a spreadsheet) or a picture drawn from vector data.
bool IsForeign(const Shape& shape) {
    Reference<css::beans::XPropertySet> properties(shape, UNO_QUERY);
    if (!properties.is()) return false;
    bool empty = false, visible = true;
    const auto info = properties->getPropertySetInfo();
    if (info->hasPropertyByName("IsEmptyPresentationObject")) properties->getPropertyValue("IsEmptyPresentationObject") >>= empty;
    if (info->hasPropertyByName("Visible")) properties->getPropertyValue("Visible") >>= visible;
    if (empty || !visible) return false;
    if (Is(shape, "com.sun.star.drawing.OLE2Shape") || Is(shape, "com.sun.star.presentation.OLE2Shape")) return true;
    if (!Is(shape, "com.sun.star.drawing.GraphicObjectShape") && !Is(shape, "com.sun.star.presentation.GraphicObjectShape"))
        return false;
    Reference<css::beans::XPropertySet> graphic(properties->getPropertyValue("Graphic"), UNO_QUERY);
    sal_Int8 kind = css::graphic::GraphicType::EMPTY;
    if (graphic.is()) graphic->getPropertyValue("GraphicType") >>= kind;
    return kind == css::graphic::GraphicType::VECTOR;
}

// The shape drawn by the office's graphic export into a stream of the office's.
Reference<css::io::XStream> Exported(const Reference<css::uno::XComponentContext>& context, const Shape& shape,
                                     const css::beans::PropertyValue& kind, const Sequence<css::beans::PropertyValue>& options) {
    Reference<css::io::XStream> stream(css::io::TempFile::create(context), UNO_QUERY_THROW);
    Reference<css::document::XExporter> exporter(
        context->getServiceManager()->createInstanceWithContext("com.sun.star.drawing.GraphicExportFilter", context),
        UNO_QUERY_THROW);
    exporter->setSourceDocument(Reference<css::lang::XComponent>(shape, UNO_QUERY_THROW));
    const css::beans::PropertyValue descriptor[] = {NamedProperty("OutputStream", Any(stream->getOutputStream())), kind,
                                                    NamedProperty("FilterData", Any(options))};
    if (!Reference<css::document::XFilter>(exporter, UNO_QUERY_THROW)->filter(Sequence(descriptor, 3)))
        throw css::uno::RuntimeException("the office could not draw a shape");
    Reference<css::io::XSeekable>(stream, UNO_QUERY_THROW)->seek(0);
    return stream;
}

// Whether the show would draw this shape as a bitmap: its metafile, as the show gets it, says.
bool ShowDrawsShapeAsBitmap(const Reference<css::uno::XComponentContext>& context, const Shape& shape) {
    const Reference<css::io::XInputStream> in =
        Exported(context, shape, NamedProperty("FilterName", Any(OUString("SVM"))), {})->getInputStream();
    std::vector<std::uint8_t> svm;
    Sequence<sal_Int8> chunk;
    while (in->readBytes(chunk, 65536) > 0) svm.insert(svm.end(), chunk.begin(), chunk.end());
    return ShowDrawsAsBitmap(svm);
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
    Reference<css::drawing::XShapes> container;
    Shape shape;
};

// The foreign shapes of a page or group the show would shrink, groups searched too.
void CollectShrunk(const Reference<css::uno::XComponentContext>& context, const Reference<css::drawing::XShapes>& shapes,
                   std::vector<Replacement>& found) {
    for (sal_Int32 i = 0; i < shapes->getCount(); ++i) {
        Shape shape(shapes->getByIndex(i), UNO_QUERY);
        if (!shape.is()) continue;
        if (Is(shape, "com.sun.star.drawing.GroupShape")) {
            CollectShrunk(context, Reference<css::drawing::XShapes>(shape, UNO_QUERY_THROW), found);
            continue;
        }
        try {
            if (IsForeign(shape) && ShowDrawsShapeAsBitmap(context, shape)) found.push_back({shapes, shape});
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

// The shape drawn at the size it has in the slide area, as large as its bounds.
Reference<css::graphic::XGraphic> PictureOf(const Reference<css::uno::XComponentContext>& context, const Shape& shape,
                                            double pixelsPerUnit) {
    Reference<css::beans::XPropertySet> properties(shape, UNO_QUERY_THROW);
    css::awt::Rectangle bounds;
    properties->getPropertyValue("BoundRect") >>= bounds;
    const auto pixels = [&](sal_Int32 units) {
        return sal_Int32(std::clamp<long>(std::lround(units * pixelsPerUnit), 1, kLargestPicture));
    };
    const css::beans::PropertyValue options[] = {NamedProperty("PixelWidth", Any(pixels(bounds.Width))),
                                                 NamedProperty("PixelHeight", Any(pixels(bounds.Height))),
                                                 NamedProperty("Translucent", Any(true))};
    const Reference<css::io::XStream> png =
        Exported(context, shape, NamedProperty("MediaType", Any(OUString("image/png"))), Sequence(options, 3));
    const css::beans::PropertyValue source[] = {NamedProperty("InputStream", Any(png->getInputStream()))};
    return css::graphic::GraphicProvider::create(context)->queryGraphic(Sequence(source, 1));
}

void Replace(const Reference<css::uno::XComponentContext>& context, const Reference<css::lang::XComponent>& model,
             const Replacement& found, const Node& effects, double pixelsPerUnit) {
    Reference<css::beans::XPropertySet> old(found.shape, UNO_QUERY_THROW);
    css::awt::Rectangle bounds;
    old->getPropertyValue("BoundRect") >>= bounds;
    const Shape picture = PlacePicture(model, found.container, PictureOf(context, found.shape, pixelsPerUnit), bounds,
                                       old->getPropertyValue("ZOrder"));
    Reference<css::beans::XPropertySet>(picture, UNO_QUERY_THROW)->setPropertyValue("Name", old->getPropertyValue("Name"));
    old->setPropertyValue("Visible", Any(false));
    if (effects.is()) Retarget(effects, found.shape, picture);
}

int ReplaceOnPage(const Reference<css::uno::XComponentContext>& context, const Reference<css::lang::XComponent>& model,
                  const Reference<css::drawing::XShapes>& page, double pixelsPerUnit) {
    std::vector<Replacement> shrunk;
    CollectShrunk(context, page, shrunk);
    Reference<css::animations::XAnimationNodeSupplier> supplier(page, UNO_QUERY);
    const Node effects = supplier.is() ? supplier->getAnimationNode() : Node();
    int replaced = 0;
    for (const Replacement& found : shrunk) {
        try {
            Replace(context, model, found, effects, pixelsPerUnit);
            ++replaced;
        } catch (const css::uno::Exception& e) {
            TraceF("Office could not draw a shape as a picture: %s\n", FromOU(e.Message).c_str());
        }
    }
    return replaced;
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

int ShowForeignShapesAsPictures(const Reference<css::uno::XComponentContext>& context,
                                const Reference<css::lang::XComponent>& model, double pixelsPerUnit) {
    int replaced = 0;
    Reference<css::drawing::XDrawPagesSupplier> slides(model, UNO_QUERY_THROW);
    Reference<css::drawing::XMasterPagesSupplier> masters(model, UNO_QUERY_THROW);
    for (const Reference<css::drawing::XDrawPages>& pages : {slides->getDrawPages(), masters->getMasterPages()})
        for (sal_Int32 i = 0; i < pages->getCount(); ++i)
            replaced += ReplaceOnPage(context, model, Reference<css::drawing::XShapes>(pages->getByIndex(i), UNO_QUERY_THROW),
                                      pixelsPerUnit);
    return replaced;
}

}  // namespace kv::uno
