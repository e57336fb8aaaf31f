#include "platform/files/PackageSounds.h"

#include <cstdlib>
#include <map>

#include "platform/files/PresentationPackage.h"
#include "platform/files/XmlTree.h"
#include "platform/files/ZipEntries.h"

namespace kv {

namespace {

// Seconds of a "delay" in milliseconds; "indefinite" (a click) and the rest count as 0.
double DelaySeconds(const XmlElement& timeNode) {
    const XmlElement* conditions = timeNode.Child("stCondLst");
    if (!conditions) return 0;
    double seconds = 0;
    for (const XmlElement& condition : conditions->children) {
        const std::string delay = condition.Attribute("delay");
        char* end = nullptr;
        const double milliseconds = delay.empty() ? 0 : std::strtod(delay.c_str(), &end);
        if (end && *end == '\0' && milliseconds > 0 && condition.Attribute("evt").empty()) seconds += milliseconds / 1000;
    }
    return seconds;
}

// A step waits for a click when its start is left open and no "with the
// sequence's start" condition gives it one.
bool StartsOnClick(const XmlElement& timeNode) {
    const XmlElement* conditions = timeNode.Child("stCondLst");
    if (!conditions) return false;
    bool open = false;
    for (const XmlElement& condition : conditions->children) {
        if (condition.Attribute("evt") == "onBegin") return false;
        open = open || condition.Attribute("delay") == "indefinite";
    }
    return open;
}

// The media part of each picture shape that holds a sound or a film, by shape id.
std::map<std::string, std::string> MediaShapes(const std::filesystem::path& file, const std::string& slidePart,
                                               const XmlElement& slide) {
    std::map<std::string, std::string> media;
    std::vector<const XmlElement*> pictures;
    slide.FindAll("pic", pictures);
    for (const XmlElement* picture : pictures) {
        const XmlElement* properties = picture->Find("nvPicPr");
        const XmlElement* shape = properties ? properties->Child("cNvPr") : nullptr;
        if (!shape) continue;
        // PowerPoint 2010 and later embed the media (p14:media); older writers link it.
        std::string id;
        if (const XmlElement* embedded = properties->Find("media")) id = embedded->Attribute("embed");
        for (const char* kind : {"audioFile", "videoFile", "wavAudioFile"})
            if (const XmlElement* linked = properties->Find(kind); linked && id.empty())
                id = linked->Attribute(linked->attributes.count("link") ? "link" : "embed");
        const std::string part = RelatedPart(file, slidePart, id);
        if (!part.empty()) media[shape->Attribute("id")] = part;
    }
    return media;
}

// The shapes whose media repeat until stopped.
std::map<std::string, bool> LoopingMedia(const XmlElement& timing) {
    std::map<std::string, bool> loops;
    for (const char* kind : {"audio", "video"}) {
        std::vector<const XmlElement*> nodes;
        timing.FindAll(kind, nodes);
        for (const XmlElement* node : nodes) {
            const XmlElement* timeNode = node->Find("cTn");
            const XmlElement* target = node->Find("spTgt");
            if (timeNode && target && timeNode->Attribute("repeatCount") == "indefinite")
                loops[target->Attribute("spid")] = true;
        }
    }
    return loops;
}

// Walks an effect group down to its "play" commands, adding the delays on the way.
void PlayCommands(const XmlElement& node, double delay, std::vector<std::pair<std::string, double>>& found) {
    if (node.name == "cTn") delay += DelaySeconds(node);
    if (node.name == "cmd" && node.Attribute("cmd").rfind("playFrom", 0) == 0) {
        if (const XmlElement* target = node.Find("spTgt")) found.emplace_back(target->Attribute("spid"), delay);
        return;
    }
    for (const XmlElement& child : node.children) PlayCommands(child, delay, found);
}

void TimedSounds(const XmlElement& slide, const std::map<std::string, std::string>& media,
                 std::vector<PackageSound>& sounds) {
    const XmlElement* timing = slide.Find("timing");
    if (!timing) return;
    const auto loops = LoopingMedia(*timing);
    std::vector<const XmlElement*> timeNodes;
    timing->FindAll("cTn", timeNodes);
    for (const XmlElement* sequence : timeNodes) {
        if (sequence->Attribute("nodeType") != "mainSeq") continue;
        const XmlElement* steps = sequence->Child("childTnLst");
        int clicks = 0;
        for (const XmlElement& step : steps ? steps->children : std::vector<XmlElement>{}) {
            const XmlElement* stepNode = step.Child("cTn");
            if (!stepNode) continue;
            const bool onClick = StartsOnClick(*stepNode);
            if (onClick) ++clicks;
            std::vector<std::pair<std::string, double>> plays;
            PlayCommands(step, 0, plays);
            for (const auto& [shape, delay] : plays) {
                const auto found = media.find(shape);
                if (found == media.end()) continue;
                PackageSound sound;
                sound.part = found->second;
                sound.start = clicks > 0 ? PackageSound::Start::Click : PackageSound::Start::Effects;
                sound.click = clicks - 1;
                sound.delay = delay;
                sound.loop = loops.count(shape) > 0;
                sounds.push_back(sound);
            }
        }
    }
}

void TransitionSound(const std::filesystem::path& file, const std::string& slidePart, const XmlElement& slide,
                     std::vector<PackageSound>& sounds) {
    // PowerPoint's own transition comes first; a copy for older readers may follow it.
    const XmlElement* transition = slide.Find("transition");
    const XmlElement* start = transition ? transition->Find("stSnd") : nullptr;
    const XmlElement* sound = start ? start->Child("snd") : nullptr;
    if (!sound) return;
    const std::string part = RelatedPart(file, slidePart, sound->Attribute("embed"));
    if (part.empty()) return;
    PackageSound played;
    played.part = part;
    played.start = PackageSound::Start::Transition;
    played.loop = start->Attribute("loop") == "1" || start->Attribute("loop") == "true";
    sounds.push_back(played);
}

}  // namespace

std::vector<std::vector<PackageSound>> SoundsInPackage(const std::filesystem::path& file) {
    std::vector<std::vector<PackageSound>> slides;
    for (const std::string& part : SlidePartsInPackage(file)) {
        std::vector<PackageSound> sounds;
        const auto text = part.empty() ? std::nullopt : ReadZipEntry(file, part);
        const auto slide = text ? ParseXml(*text) : std::nullopt;
        if (slide) {
            TransitionSound(file, part, *slide, sounds);
            TimedSounds(*slide, MediaShapes(file, part, *slide), sounds);
        }
        slides.push_back(std::move(sounds));
    }
    return slides;
}

}  // namespace kv
