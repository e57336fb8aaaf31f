#include "playback/PPTEventSink.h"

#include "app/core/AppMessages.h"
#include "playback/AutomationMembers.h"
#include "platform/core/Trace.h"
#include "recording/Recorder.h"
#include "recording/state/RecorderState.h"

namespace kv {

namespace {
// Arguments each application event carries, from the first event (2001) on.
constexpr unsigned kArgumentCounts[] = {1, 2, 2, 1, 1, 1, 1, 1, 2, 2, 1, 1, 1, 1, 1};
static_assert(sizeof kArgumentCounts / sizeof kArgumentCounts[0] == ppt::Event_Last - ppt::Event_First + 1);
}  // namespace

PPTEventSink::PPTEventSink(HWND notifyWnd) : m_hNotifyWnd(notifyWnd) {}

HRESULT PPTEventSink::QueryInterface(const IID& riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == DIID_EApplication || riid == IID_IDispatch) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

long PPTEventSink::AddRef() { return ++m_nRefCount; }

long PPTEventSink::Release() {
    if (--m_nRefCount == 0) {
        delete this;
        return 0;
    }
    return m_nRefCount;
}

HRESULT PPTEventSink::GetTypeInfoCount(unsigned*) { return E_NOTIMPL; }
HRESULT PPTEventSink::GetTypeInfo(unsigned, LCID, void**) { return E_NOTIMPL; }
HRESULT PPTEventSink::GetIDsOfNames(const IID&, const std::string*, unsigned, LCID, DISPID*) { return E_FAIL; }

HRESULT PPTEventSink::Invoke(DISPID id, const IID& riid, LCID, WORD, DISPPARAMS* params, Variant*, EXCEPINFO*,
                             unsigned*) {
    if (riid != IID_NULL) return E_INVALIDARG;
    if (id < ppt::Event_First || id > ppt::Event_Last) return DISP_E_MEMBERNOTFOUND;
    const unsigned count = params ? params->cArgs() : 0;
    if (count != kArgumentCounts[id - ppt::Event_First]) return E_INVALIDARG;
    if (id == ppt::Event_SlideShowEnd) {
        const Variant& arg = params->rgvarg[0];
        DispatchPtr presentation;
        if (arg.vt & VT_BYREF)
            presentation = arg.ppdispVal ? *arg.ppdispVal : nullptr;
        else
            presentation = arg.pdispVal;
        SlideShowEnd(presentation);
    }
    return S_OK;
}

HRESULT PPTEventSink::SlideShowEnd(const DispatchPtr&) {
    if (!m_hNotifyWnd) return S_OK;
    Trace("PPTEventSink::SlideShowEnd\n");
    g_bSlideShowEnded = true;
    if (CRecorder* recorder = CRecorder::GetInstance()) recorder->StopRecording();
    PostMessage(m_hNotifyWnd, UWM_SLIDESHOWEND, 0, 0);
    return S_OK;
}

}  // namespace kv
