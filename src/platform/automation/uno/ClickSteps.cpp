#include "platform/automation/uno/ClickSteps.h"

#include <com/sun/star/animations/Event.hpp>
#include <com/sun/star/animations/EventTrigger.hpp>
#include <com/sun/star/animations/Timing.hpp>
#include <com/sun/star/animations/XAnimationNode.hpp>
#include <com/sun/star/animations/XAnimationNodeSupplier.hpp>
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/drawing/XDrawPagesSupplier.hpp>
#include <com/sun/star/presentation/EffectNodeType.hpp>

namespace kv::uno {

using Node = Reference<css::animations::XAnimationNode>;

bool IsMainSequence(const Node& node) {
    for (const css::beans::NamedValue& value : node->getUserData()) {
        sal_Int32 type = 0;
        if (value.Name == "node-type" && (value.Value >>= type)) return type == css::presentation::EffectNodeType::MAIN_SEQUENCE;
    }
    return false;
}

// A step of the main sequence begins on a click when it waits for the
// show's "next" event, or when its start is left open ("indefinite"); one
// that starts with the slide or after the one before has a time instead.
bool StartsOnClick(const Node& step) {
    const css::uno::Any begin = step->getBegin();
    css::animations::Event event;
    css::animations::Timing timing;
    if (begin >>= event) return event.Trigger == css::animations::EventTrigger::ON_NEXT;
    return (begin >>= timing) && timing == css::animations::Timing_INDEFINITE;
}

namespace {

int ClickSteps(const Reference<css::uno::XInterface>& page) {
    Reference<css::animations::XAnimationNodeSupplier> supplier(page, UNO_QUERY);
    if (!supplier.is()) return 0;
    int steps = 0;
    for (const Node& sequence : ChildrenOf(supplier->getAnimationNode()))
        if (IsMainSequence(sequence))
            for (const Node& step : ChildrenOf(sequence)) steps += StartsOnClick(step);
    return steps;
}

}  // namespace

std::vector<Node> ChildrenOf(const Node& node) {
    std::vector<Node> children;
    Reference<css::container::XEnumerationAccess> access(node, UNO_QUERY);
    if (!access.is()) return children;
    const Reference<css::container::XEnumeration> each = access->createEnumeration();
    while (each.is() && each->hasMoreElements()) {
        Node child(each->nextElement(), UNO_QUERY);
        if (child.is()) children.push_back(child);
    }
    return children;
}

std::vector<int> ClickStepsPerPage(const Reference<css::lang::XComponent>& model) {
    Reference<css::drawing::XDrawPagesSupplier> supplier(model, UNO_QUERY_THROW);
    const Reference<css::drawing::XDrawPages> pages = supplier->getDrawPages();
    std::vector<int> steps;
    for (sal_Int32 i = 0; i < pages->getCount(); ++i)
        steps.push_back(ClickSteps(Reference<css::uno::XInterface>(pages->getByIndex(i), UNO_QUERY)));
    return steps;
}

}  // namespace kv::uno
