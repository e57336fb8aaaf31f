#pragma once
// The texts on a slide that name it and go with it: the title placeholder's
// text, the text nearest the top, and the speaker notes.
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/drawing/XShapes.hpp>

#include <string>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

// The text of the first shape of this kind on the page ("" when none).
std::string TextOfKind(const Reference<css::drawing::XShapes>& shapes, const char* kind);
// The text of the shape nearest the top (then the left) that has any.
std::string TopmostText(const Reference<css::drawing::XShapes>& shapes);

struct SlideTexts {
    std::string title;    // the title placeholder's text
    std::string topmost;  // the text nearest the top
    std::string notes;    // the speaker notes
};
// Call on the office's thread.
SlideTexts ReadSlideTexts(const Reference<css::beans::XPropertySet>& page);
std::string SlideNotesText(const Reference<css::beans::XPropertySet>& page);

}  // namespace kv::uno
