#pragma once
// Presentations laid out the way PowerPoint writes them, assembled by a
// script of ours (tests/data/make_ooxml_deck.py), so no office wrote them.
#include <filesystem>
#include <string>

namespace kvtest {

// Writes the deck the JSON text describes (see the script) to `path`
// (.pptx or .ppsx); throws std::runtime_error when the script fails.
void MakeOoxmlDeck(const std::filesystem::path& path, const std::string& json);

// Three slides (a title slide and two text slides), 4:3, no transitions, no
// timings: the smallest deck that makes an office of ours ask about saving
// when its timings are taken over carelessly.
std::string ThreeTextSlides();

}  // namespace kvtest
