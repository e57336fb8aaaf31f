#include "platform/automation/uno/SlideMotionFacts.h"

#include <com/sun/star/animations/AnimationNodeType.hpp>
#include <com/sun/star/animations/Event.hpp>
#include <com/sun/star/animations/Timing.hpp>
#include <com/sun/star/animations/XAnimationNode.hpp>
#include <com/sun/star/animations/XAnimationNodeSupplier.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/graphic/XGraphic.hpp>
#include <com/sun/star/presentation/EffectNodeType.hpp>
#include <osl/file.hxx>

#include <algorithm>
#include <limits>

#include "platform/automation/uno/ClickSteps.h"

namespace kv::uno {

namespace {

using Node = Reference<css::animations::XAnimationNode>;
namespace NodeType = css::animations::AnimationNodeType;

constexpr double kEndless = std::numeric_limits<double>::infinity();

// A time in seconds; `otherwise` for an open one (indefinite, on an event, the media's own).
double Seconds(const css::uno::Any& value, double otherwise) {
    double seconds = 0;
    if (value >>= seconds) return seconds;
    css::animations::Event event;
    if ((value >>= event) && (event.Offset >>= seconds)) return seconds;
    return otherwise;
}

bool Indefinite(const css::uno::Any& value) {
    css::animations::Timing timing;
    return (value >>= timing) && timing == css::animations::Timing_INDEFINITE;
}

// How long a node runs once it begins, repeats included; kEndless when it
// repeats to the slide's end. A container lasts until its last child ends
// (one after another in a sequence) unless it has a length of its own; a
// leaf without a length (a value set and held, a sound, a command) moves nothing.
double Length(const Node& node) {
    const sal_Int16 type = node->getType();
    const double own = Seconds(node->getDuration(), -1);
    double once = 0;
    if (type == NodeType::PAR || type == NodeType::ITERATE || type == NodeType::SEQ) {
        for (const Node& child : ChildrenOf(node)) {
            const double length = Length(child);
            if (length == kEndless) return kEndless;
            const double end = std::max(0.0, Seconds(child->getBegin(), 0)) + length;
            once = type == NodeType::SEQ ? once + end : std::max(once, end);
        }
        if (own >= 0) once = own;
    } else if (type != NodeType::AUDIO && type != NodeType::COMMAND) {
        once = std::max(0.0, own);
    }
    if (once <= 0) return 0;
    if (node->getAutoReverse()) once *= 2;
    if (Indefinite(node->getRepeatCount()) || Indefinite(node->getRepeatDuration())) return kEndless;
    const double repeatFor = Seconds(node->getRepeatDuration(), -1);
    if (repeatFor > 0) return repeatFor;
    return once * std::max(1.0, Seconds(node->getRepeatCount(), 1));
}

void ReadEffects(const Reference<css::uno::XInterface>& page, SlideMotion& motion) {
    Reference<css::animations::XAnimationNodeSupplier> supplier(page, UNO_QUERY);
    if (!supplier.is() || !supplier->getAnimationNode().is()) return;
    for (const Node& sequence : ChildrenOf(supplier->getAnimationNode())) {
        if (!IsMainSequence(sequence)) continue;
        for (const Node& step : ChildrenOf(sequence)) {
            const double length = Length(step);
            if (length == kEndless) {
                motion.endless = true;
                continue;
            }
            const double delay = std::max(0.0, Seconds(step->getBegin(), 0));
            if (StartsOnClick(step))
                motion.clicks.push_back(delay + length);
            else if (motion.clicks.empty())
                motion.automatic += delay + length;
            else
                motion.clicks.back() += delay + length;  // runs on after the click before it
        }
    }
}

std::string SystemPath(const OUString& url) {
    OUString path;
    if (osl::FileBase::getSystemPathFromFileURL(url, path) != osl::FileBase::E_None) return {};
    return FromOU(path);
}

void ReadShapes(const Reference<css::container::XIndexAccess>& shapes, SlideMotion& motion) {
    for (sal_Int32 i = 0; shapes.is() && i < shapes->getCount(); ++i) {
        Reference<css::uno::XInterface> shape(shapes->getByIndex(i), UNO_QUERY);
        Reference<css::lang::XServiceInfo> info(shape, UNO_QUERY);
        Reference<css::beans::XPropertySet> properties(shape, UNO_QUERY);
        if (!info.is() || !properties.is()) continue;
        if (info->supportsService("com.sun.star.drawing.GroupShape")) {
            ReadShapes(Reference<css::container::XIndexAccess>(shape, UNO_QUERY), motion);
        } else if (info->supportsService("com.sun.star.drawing.MediaShape")) {
            // The office keeps an embedded film in a file of its own while the presentation is open.
            OUString url;
            const auto names = properties->getPropertySetInfo();
            if (names->hasPropertyByName("PrivateTempFileURL")) properties->getPropertyValue("PrivateTempFileURL") >>= url;
            if (url.isEmpty()) properties->getPropertyValue("MediaURL") >>= url;
            const std::string path = SystemPath(url);
            if (!path.empty()) motion.media.push_back(path);
        } else if (properties->getPropertySetInfo()->hasPropertyByName("Graphic")) {
            Reference<css::beans::XPropertySet> graphic(properties->getPropertyValue("Graphic"), UNO_QUERY);
            bool animated = false;
            if (graphic.is() && graphic->getPropertySetInfo()->hasPropertyByName("Animated"))
                graphic->getPropertyValue("Animated") >>= animated;
            motion.endless = motion.endless || animated;
        }
    }
}

}  // namespace

SlideMotion ReadSlideMotion(const Reference<css::uno::XInterface>& page) {
    SlideMotion motion;
    ReadEffects(page, motion);
    ReadShapes(Reference<css::container::XIndexAccess>(page, UNO_QUERY), motion);
    return motion;
}

}  // namespace kv::uno
