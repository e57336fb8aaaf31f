#pragma once
// How often a slide's own effects wait for a click before all have run.
#include <com/sun/star/animations/XAnimationNode.hpp>
#include <com/sun/star/lang/XComponent.hpp>

#include <vector>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

// Per page (index = page number - 1): the steps of its main sequence of
// effects that start on a click. Reads the document; changes nothing.
std::vector<int> ClickStepsPerPage(const Reference<css::lang::XComponent>& model);

// The effects' tree, walked: a node's children in order, whether a node is
// a page's main sequence, and whether a step of it begins on a click.
std::vector<Reference<css::animations::XAnimationNode>> ChildrenOf(const Reference<css::animations::XAnimationNode>& node);
bool IsMainSequence(const Reference<css::animations::XAnimationNode>& node);
bool StartsOnClick(const Reference<css::animations::XAnimationNode>& step);

}  // namespace kv::uno
