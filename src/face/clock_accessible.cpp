// The accessible clock: the system's object for the window's client area with the clock's role,
// name and description in front of it.
#include "face/clock_accessible.h"

#include <oleacc.h>

#include "common/system_library.h"
#include "common/text_encoding.h"
#include "face/clock_face.h"

namespace {

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT ReturnText(const std::string& utf8, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocString(Utf8ToWide(utf8).c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

// Everything but the role, the name and the description is the system's object's: the place on
// the screen, the parent, the state, hit testing and navigation.
class AccessibleClock final : public IAccessible {
public:
    AccessibleClock(HWND window, IAccessible* standard, std::shared_ptr<const FaceReading> reading)
        : window_(window), standard_(standard), reading_(std::move(reading)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return ULONG(left);
    }

    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        if (!IsSelf(child)) return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = ROLE_SYSTEM_CLOCK;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child)) return E_INVALIDARG;
        if (!IsWindow(window_) || reading_->hour < 0) return CO_E_OBJNOTCONNECTED;
        return ReturnText(SpokenTime(reading_->hour, reading_->minute), name);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        if (!IsSelf(child)) return E_INVALIDARG;
        if (!IsWindow(window_) || reading_->date.empty()) return CO_E_OBJNOTCONNECTED;
        return ReturnText(reading_->date, description);
    }

    // IDispatch and the rest of IAccessible: the system's object.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return standard_->GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
        return standard_->GetIDsOfNames(iid, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argument) override {
        return standard_->Invoke(id, iid, locale, flags, params, result, exception, argument);
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return standard_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return standard_->get_accChildCount(count); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        return standard_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        if (!IsSelf(child) || reading_->second < 0) return standard_->get_accValue(child, value);
        if (!IsWindow(window_) || reading_->hour < 0) return CO_E_OBJNOTCONNECTED;
        return ReturnText(SpokenTimeWithSeconds(reading_->hour, reading_->minute, reading_->second), value);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return standard_->get_accHelp(child, help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override { return standard_->accSelect(flags, child); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return standard_->accDoDefaultAction(child); }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~AccessibleClock() { standard_->Release(); }

    LONG references_ = 1;
    HWND window_;
    IAccessible* standard_;  // owned: one reference
    std::shared_ptr<const FaceReading> reading_;
};

}  // namespace

LRESULT AnswerGetObject(HWND window, UINT message, WPARAM flags, LPARAM objectId,
                        const std::shared_ptr<const FaceReading>& reading) {
    const OleaccFunctions* oleacc = Oleacc();
    if (DWORD(objectId) != DWORD(OBJID_CLIENT) || !oleacc) return DefWindowProcW(window, message, flags, objectId);
    IAccessible* standard = nullptr;
    if (FAILED(oleacc->CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible),
                                                 reinterpret_cast<void**>(&standard))))
        return DefWindowProcW(window, message, flags, objectId);
    auto* clock = new AccessibleClock(window, standard, reading);
    const LRESULT result = oleacc->LresultFromObject(__uuidof(IAccessible), flags, clock);
    clock->Release();  // the result holds its own reference
    return result;
}

void NotifyNameChange(HWND window) { NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, CHILDID_SELF); }
