#include "platform/automation/uno/SlideTexts.h"

namespace kv::uno {

namespace {

std::string ShapeText(const Reference<css::drawing::XShape>& shape) {
    Reference<css::text::XText> text(shape, UNO_QUERY);
    return text.is() ? FromOU(text->getString()) : std::string();
}

}  // namespace

// The kind is the shape's type name: a placeholder's service list names only
// drawing.TextShape, never presentation.TitleTextShape or NotesShape.
std::string TextOfKind(const Reference<css::drawing::XShapes>& shapes, const char* kind) {
    const OUString wanted = OUString::createFromAscii(kind);
    for (sal_Int32 i = 0; shapes.is() && i < shapes->getCount(); ++i) {
        Reference<css::drawing::XShape> shape(shapes->getByIndex(i), UNO_QUERY);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        // getShapeType is marked deprecated, yet it is the one place the office names a placeholder's kind.
        if (shape.is() && shape->getShapeType() == wanted) return ShapeText(shape);
#pragma GCC diagnostic pop
    }
    return {};
}

std::string TopmostText(const Reference<css::drawing::XShapes>& shapes) {
    std::string found;
    css::awt::Point best{0, 0};
    for (sal_Int32 i = 0; shapes.is() && i < shapes->getCount(); ++i) {
        Reference<css::drawing::XShape> shape(shapes->getByIndex(i), UNO_QUERY);
        if (!shape.is()) continue;
        const std::string text = ShapeText(shape);
        if (text.find_first_not_of(" \t\r\n") == std::string::npos) continue;
        const css::awt::Point at = shape->getPosition();
        if (found.empty() || at.Y < best.Y || (at.Y == best.Y && at.X < best.X)) {
            found = text;
            best = at;
        }
    }
    return found;
}

std::string SlideNotesText(const Reference<css::beans::XPropertySet>& page) {
    Reference<css::presentation::XPresentationPage> slide(page, UNO_QUERY);
    Reference<css::drawing::XShapes> notes(slide.is() ? slide->getNotesPage() : nullptr, UNO_QUERY);
    return TextOfKind(notes, "com.sun.star.presentation.NotesShape");
}

SlideTexts ReadSlideTexts(const Reference<css::beans::XPropertySet>& page) {
    Reference<css::drawing::XShapes> shapes(page, UNO_QUERY);
    return {TextOfKind(shapes, "com.sun.star.presentation.TitleTextShape"), TopmostText(shapes), SlideNotesText(page)};
}

}  // namespace kv::uno
