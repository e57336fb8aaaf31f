#pragma once
// The receiver of the office's application events. Only the end of a slide
// show matters: it marks the show as ended, stops the recorder and tells the
// container window.
#include "platform/automation/Dispatch.h"
#include "platform/core/Messages.h"

namespace kv {

class PPTEventSink : public IDispatch {
public:
    explicit PPTEventSink(HWND notifyWnd);

    HRESULT QueryInterface(const IID& riid, void** ppv) override;
    long AddRef() override;
    // Destroys the object when the count reaches 0.
    long Release() override;
    HRESULT GetTypeInfoCount(unsigned* count) override;
    HRESULT GetTypeInfo(unsigned index, LCID lcid, void** typeInfo) override;
    HRESULT GetIDsOfNames(const IID& riid, const std::string* names, unsigned count, LCID lcid,
                          DISPID* ids) override;
    HRESULT Invoke(DISPID id, const IID& riid, LCID lcid, WORD flags, DISPPARAMS* params, Variant* result,
                   EXCEPINFO* excepInfo, unsigned* argErr) override;

    HRESULT SlideShowEnd(const DispatchPtr& presentation);

    // The container clears its window here when it goes away before the sink.
    void ClearNotifyWindow() { m_hNotifyWnd = 0; }

    long m_nRefCount = 1;
    DWORD m_dwCookie = 0;
    HWND m_hNotifyWnd = 0;

protected:
    ~PPTEventSink() override = default;  // only Release destroys it
};

}  // namespace kv
