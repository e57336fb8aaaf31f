#include "support/office/TestOffice.h"

#include <osl/file.hxx>

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/drawing/FillStyle.hpp>
#include <com/sun/star/drawing/XShapes.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/text/XText.hpp>

#include <cstring>
#include <stdexcept>

#include "platform/automation/Dispatch.h"
#include "platform/automation/OfficeProcesses.h"
#include "platform/automation/uno/OfficeConnection.h"

namespace kvtest {

namespace fs = std::filesystem;
using namespace kv::uno;
using css::uno::Any;

namespace {

css::beans::PropertyValue Property(const char* name, Any value) {
    css::beans::PropertyValue property;
    property.Name = OUString::createFromAscii(name);
    property.Value = std::move(value);
    return property;
}

OUString Url(const fs::path& path) {
    OUString url;
    osl::FileBase::getFileURLFromSystemPath(ToOU(fs::absolute(path).string()), url);
    return url;
}

const char* FilterFor(const fs::path& path) {
    const std::string ext = path.extension().string();
    if (ext == ".pptx") return "Impress MS PowerPoint 2007 XML";
    if (ext == ".ppsx") return "Impress MS PowerPoint 2007 XML AutoPlay";
    if (ext == ".ppt") return "MS PowerPoint 97";
    if (ext == ".odp") return "impress8";
    throw std::runtime_error("no presentation format for " + path.string());
}

void FillSlide(const Reference<css::lang::XMultiServiceFactory>& factory,
               const Reference<css::drawing::XDrawPage>& page, const SlideDesign& design, int number,
               const std::string& words) {
    Reference<css::beans::XPropertySet> properties(page, UNO_QUERY_THROW);
    properties->setPropertyValue("Layout", Any(sal_Int16(20)));  // blank, no placeholders
    Reference<css::beans::XPropertySet> background(factory->createInstance("com.sun.star.drawing.Background"), UNO_QUERY_THROW);
    background->setPropertyValue("FillStyle", Any(css::drawing::FillStyle_SOLID));
    background->setPropertyValue("FillColor", Any(static_cast<sal_Int32>(design.colour)));
    properties->setPropertyValue("Background", Any(background));
    Reference<css::drawing::XShape> text(factory->createInstance("com.sun.star.drawing.TextShape"), UNO_QUERY_THROW);
    Reference<css::drawing::XShapes>(page, UNO_QUERY_THROW)->add(text);
    text->setPosition(css::awt::Point(1000, 1000));
    text->setSize(css::awt::Size(8000, 2000));
    Reference<css::text::XText>(text, UNO_QUERY_THROW)->setString(
        ToOU(words.empty() ? "Slide " + std::to_string(number) : words));
    if (design.advanceSeconds > 0) {
        properties->setPropertyValue("Change", Any(sal_Int32(design.clickDespiteTime ? 2 : 1)));
        properties->setPropertyValue("HighResDuration", Any(design.advanceSeconds));
        properties->setPropertyValue("Duration", Any(static_cast<sal_Int32>(design.advanceSeconds + 0.5)));
    }
    if (design.fadeSeconds > 0) {
        properties->setPropertyValue("TransitionType", Any(sal_Int16(37)));      // FADE
        properties->setPropertyValue("TransitionSubtype", Any(sal_Int16(101)));  // CROSSFADE
        properties->setPropertyValue("TransitionDuration", Any(design.fadeSeconds));
    }
    if (design.hidden) properties->setPropertyValue("Visible", Any(false));
    if (!design.sound.empty()) properties->setPropertyValue("Sound", Any(Url(design.sound)));
}

}  // namespace

struct TestOffice::Impl {
    std::shared_ptr<OfficeConnection> office;
    Reference<css::lang::XComponent> userDocument;

    Reference<css::lang::XComponent> Load(const OUString& url, bool hidden) {
        const css::beans::PropertyValue properties[] = {Property("Hidden", Any(hidden))};
        Reference<css::frame::XComponentLoader> loader(office->Desktop(), UNO_QUERY_THROW);
        return loader->loadComponentFromURL(url, "_blank", 0, css::uno::Sequence<css::beans::PropertyValue>(properties, 1));
    }
    void Store(const Reference<css::lang::XComponent>& document, const fs::path& path, const char* filter,
               const std::string& password) {
        std::vector<css::beans::PropertyValue> properties = {Property("FilterName", Any(OUString::createFromAscii(filter))),
                                                             Property("Overwrite", Any(true))};
        // The OOXML filters take no "Password": without their own encryption data
        // (and the engine named) they write the package unencrypted, and say nothing.
        if (!password.empty() && std::strstr(filter, "2007 XML")) {
            const css::beans::NamedValue key[] = {{"CryptoType", Any(OUString("StrongEncryptionDataSpace"))},
                                                  {"OOXPassword", Any(ToOU(password))}};
            properties.push_back(Property("EncryptionData", Any(css::uno::Sequence<css::beans::NamedValue>(key, 2))));
        } else if (!password.empty()) {
            properties.push_back(Property("Password", Any(ToOU(password))));
        }
        Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)
            ->storeToURL(Url(path), css::uno::Sequence<css::beans::PropertyValue>(properties.data(), properties.size()));
        Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)->close(true);
    }
};

TestOffice::TestOffice() : m_impl(std::make_unique<Impl>()) {
    std::string error;
    // The test's own office writes and reads its files wherever the test says.
    m_impl->office = OfficeConnection::Start(&error, Trusting());
    if (!m_impl->office) throw std::runtime_error("the test office did not start: " + error);
    // To the program under test this is somebody else's office.
    kv::UnregisterOwnedProcessGroup(m_impl->office->ProcessGroup());
}

TestOffice::~TestOffice() {
    const pid_t group = m_impl->office->ProcessGroup();
    kv::RegisterOwnedProcessGroup(group);  // the connection ends what it started
    m_impl.reset();
    kv::UnregisterOwnedProcessGroup(group);
}

pid_t TestOffice::ProcessGroup() const { return m_impl->office->ProcessGroup(); }

void TestOffice::MakePresentation(const fs::path& path, const std::vector<SlideDesign>& slides, const std::string& password) {
    MakeSlides(*m_impl, path, slides, password, {});
}

void TestOffice::MakePresentationWithTexts(const fs::path& path, const std::vector<SlideDesign>& slides,
                                           const std::vector<std::string>& texts) {
    MakeSlides(*m_impl, path, slides, {}, texts);
}

void TestOffice::MakeSlides(Impl& impl, const fs::path& path, const std::vector<SlideDesign>& slides,
                            const std::string& password, const std::vector<std::string>& texts) {
    impl.office->Call([&] {
        Reference<css::lang::XComponent> document = impl.Load("private:factory/simpress", true);
        Reference<css::lang::XMultiServiceFactory> factory(document, UNO_QUERY_THROW);
        Reference<css::drawing::XDrawPages> pages = Reference<css::drawing::XDrawPagesSupplier>(document, UNO_QUERY_THROW)->getDrawPages();
        while (pages->getCount() < static_cast<sal_Int32>(slides.size())) pages->insertNewByIndex(pages->getCount() - 1);
        for (size_t i = 0; i < slides.size(); ++i) {
            Reference<css::drawing::XDrawPage> page(pages->getByIndex(static_cast<sal_Int32>(i)), UNO_QUERY_THROW);
            FillSlide(factory, page, slides[i], static_cast<int>(i + 1), i < texts.size() ? texts[i] : std::string());
        }
        impl.Store(document, path, FilterFor(path), password);
    }, 60000);
}

void TestOffice::MakeDrawing(const fs::path& path) {
    m_impl->office->Call([&] {
        Reference<css::lang::XComponent> document = m_impl->Load("private:factory/sdraw", true);
        m_impl->Store(document, path, "draw8", {});
    }, 60000);
}

void TestOffice::SaveAs(const fs::path& from, const fs::path& to) {
    m_impl->office->Call([&] { m_impl->Store(m_impl->Load(Url(from), true), to, FilterFor(to), {}); }, 60000);
}

void TestOffice::OpenDocument(const fs::path& path) {
    m_impl->office->Call([&] { m_impl->userDocument = m_impl->Load(Url(path), false); }, 60000);
}

bool TestOffice::StillHasOpenDocument() {
    if (!m_impl->office->Alive() || !m_impl->userDocument.is()) return false;
    bool open = false;
    try {
        m_impl->office->Call([&] {
            Reference<css::frame::XModel> model(m_impl->userDocument, UNO_QUERY);
            open = model.is() && model->getURL().getLength() > 0;
        });
    } catch (const kv::AutomationException&) {
        return false;
    }
    return open;
}

std::vector<SlideDesign> TestOffice::ThreeColours(double advanceSeconds) {
    return {{0xD01010, advanceSeconds}, {0x10B020, advanceSeconds}, {0x1030E0, advanceSeconds}};
}

std::vector<pid_t> OfficeProcessesInGroup(pid_t group) {
    std::vector<kv::ProcessEntry> processes;
    kv::EnumUserProcesses(&processes, 1 << 20);
    std::vector<pid_t> found;
    for (const auto& p : processes)
        if (p.group == group && p.moduleName == kv::kOfficeProcessName) found.push_back(p.pid);
    return found;
}

}  // namespace kvtest
