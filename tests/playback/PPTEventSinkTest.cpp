// The event sink: which calls it accepts, and what the end of a show does.
#include <gtest/gtest.h>

#include "app/core/AppMessages.h"
#include "platform/core/Trace.h"
#include "playback/PPTEventSink.h"
#include "playback/MessageLog.h"
#include "recording/Recorder.h"
#include "recording/state/RecorderState.h"

namespace kv {
namespace {

class PPTEventSinkTest : public ::testing::Test {
protected:
    void SetUp() override { g_bSlideShowEnded = false; }
    void TearDown() override {
        sink->Release();
        g_bSlideShowEnded = false;
        CRecorder::ReleaseInstance();
    }
    HRESULT Call(DISPID id, std::vector<Variant> args, const IID& riid = IID_NULL) {
        DISPPARAMS params{std::move(args)};
        return sink->Invoke(id, riid, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
    kvtest::MessageLog container;
    PPTEventSink* sink = new PPTEventSink(container.Window());
};

TEST_F(PPTEventSinkTest, AnswersItsInterfacesAndRefusesOthers) {
    for (const IID& iid : {IID_IUnknown, IID_IDispatch, DIID_EApplication}) {
        void* out = nullptr;
        EXPECT_EQ(sink->QueryInterface(iid, &out), S_OK);
        EXPECT_EQ(out, static_cast<IDispatch*>(sink));
        EXPECT_EQ(sink->m_nRefCount, 2);
        EXPECT_EQ(sink->Release(), 1);
    }
    void* out = sink;
    EXPECT_EQ(sink->QueryInterface(IID_IConnectionPoint, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(sink->GetTypeInfoCount(nullptr), E_NOTIMPL);
    EXPECT_EQ(sink->GetTypeInfo(0, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(sink->GetIDsOfNames(IID_NULL, nullptr, 0, 0, nullptr), E_FAIL);
    EXPECT_EQ(sink->m_dwCookie, 0u);
}

TEST_F(PPTEventSinkTest, RefusesUnknownMembersWrongInterfacesAndArgumentCounts) {
    EXPECT_EQ(Call(2000, {Variant::I4(0)}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(2016, {Variant::I4(0)}), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(2009, {Variant::I4(0)}), E_INVALIDARG);
    EXPECT_EQ(Call(2014, {}), E_INVALIDARG);
    EXPECT_EQ(Call(2014, {Variant::Dispatch(nullptr)}, IID_IDispatch), E_INVALIDARG);
    EXPECT_EQ(Call(2009, {Variant::I4(0), Variant::I4(0)}), S_OK);
    EXPECT_EQ(Call(2013, {Variant::I4(0)}), S_OK);
    container.Pump();
    EXPECT_FALSE(g_bSlideShowEnded);
    EXPECT_TRUE(container.Messages().empty());
}

TEST_F(PPTEventSinkTest, ShowEndByValueAndByReferenceEachTellTheContainer) {
    TraceCapture traces;
    DispatchPtr presentation;
    EXPECT_EQ(Call(2014, {Variant::Dispatch(nullptr)}), S_OK);
    EXPECT_TRUE(g_bSlideShowEnded);
    EXPECT_EQ(Call(2014, {Variant::DispatchByRef(&presentation)}), S_OK);
    container.Pump();
    EXPECT_EQ(container.Messages(), (std::vector<UINT>{UWM_SLIDESHOWEND, UWM_SLIDESHOWEND}));
    EXPECT_TRUE(traces.Contains("PPTEventSink::SlideShowEnd\n"));
}

TEST_F(PPTEventSinkTest, ShowEndWithoutAWindowDoesNothing) {
    sink->ClearNotifyWindow();
    EXPECT_EQ(Call(2014, {Variant::Dispatch(nullptr)}), S_OK);
    container.Pump();
    EXPECT_FALSE(g_bSlideShowEnded);
    EXPECT_TRUE(container.Messages().empty());
}

}  // namespace
}  // namespace kv
