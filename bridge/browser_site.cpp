#include "browser_site.h"

#include <exdispid.h>

#include "browser_external.h"
#include "name_key.h"

namespace {

// The system's web browser control.
constexpr CLSID kWebBrowserControl = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
constexpr DWORD kHostFlags =
    DOCHOSTUIFLAG_DIALOG | DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_THEME;

volatile LONG g_liveSites = 0;

}  // namespace

ROR_AdiDO::ROR_AdiDO() noexcept {
  InterlockedIncrement(&g_liveSites);
  if (FAILED(StgCreateDocfile(nullptr, STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0, storage.put()))) return;
  if (FAILED(OleCreate(kWebBrowserControl, IID_IOleObject, OLERENDER_DRAW, nullptr, static_cast<IOleClientSite*>(this),
                       storage.get(), oleObject.put_void()))) {
    oleObject.reset();
    return;
  }
  oleObject->QueryInterface(IID_IOleInPlaceObject, inPlaceObject.put_void());
}

ROR_AdiDO::~ROR_AdiDO() { InterlockedDecrement(&g_liveSites); }

bool ROR_AdiDO::ConnectBrowser() noexcept {
  if (!oleObject) return false;
  if (FAILED(oleObject->QueryInterface(IID_IWebBrowser2, browser.put_void()))) {
    browser.reset();
    return false;
  }
  win::ComPtr<IConnectionPointContainer> container;
  win::ComPtr<IConnectionPoint> point;
  if (FAILED(browser->QueryInterface(IID_IConnectionPointContainer, container.put_void())) ||
      FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.put())))
    return false;
  return SUCCEEDED(point->Advise(static_cast<IDispatch*>(this), &adviseCookie));
}

void ROR_AdiDO::FitToWindow() noexcept {
  if (!window) return;
  GetClientRect(window, &clientRect);
  if (oleObject)
    oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, window, &clientRect);
  if (browser) {
    browser->put_Left(0);
    browser->put_Top(0);
    browser->put_Width(clientRect.right - clientRect.left);
    browser->put_Height(clientRect.bottom - clientRect.top);
  }
}

void ROR_AdiDO::Disconnect() noexcept {
  // The control holds references to this object (as its site, its sink and the page's
  // external object) until it is told to let go; closing it is what makes it release them.
  if (browser && adviseCookie) {
    win::ComPtr<IConnectionPointContainer> container;
    win::ComPtr<IConnectionPoint> point;
    if (SUCCEEDED(browser->QueryInterface(IID_IConnectionPointContainer, container.put_void())) &&
        SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.put())))
      point->Unadvise(adviseCookie);
  }
  adviseCookie = 0;
  if (inPlaceObject) inPlaceObject->InPlaceDeactivate();
  inPlaceObject.reset();
  browser.reset();
  if (oleObject) {
    oleObject->Close(OLECLOSE_NOSAVE);
    oleObject->SetClientSite(nullptr);
  }
  oleObject.reset();
  storage.reset();
}

STDMETHODIMP ROR_AdiDO::QueryInterface(REFIID id, void** object) noexcept {
  if (!object) return E_POINTER;
  if (id == IID_IUnknown || id == IID_IDispatch || id == DIID_DWebBrowserEvents2)
    *object = static_cast<IDispatch*>(this);
  else if (id == IID_IOleClientSite) *object = static_cast<IOleClientSite*>(this);
  else if (id == IID_IOleInPlaceSite) *object = static_cast<IOleInPlaceSite*>(this);
  else if (id == IID_IOleInPlaceFrame) *object = static_cast<IOleInPlaceFrame*>(this);
  else if (id == IID_IDocHostUIHandler) *object = static_cast<IDocHostUIHandler*>(this);
  else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ROR_AdiDO::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&references)); }

STDMETHODIMP_(ULONG) ROR_AdiDO::Release() noexcept {
  const LONG left = InterlockedDecrement(&references);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

STDMETHODIMP ROR_AdiDO::GetTypeInfoCount(UINT*) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept { return E_NOTIMPL; }

STDMETHODIMP ROR_AdiDO::GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) noexcept {
  if (!names || !names[0] || !ids) return E_NOTIMPL;
  ids[0] = static_cast<DISPID>(names::Key(names[0]));
  return S_OK;
}

STDMETHODIMP ROR_AdiDO::Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                               UINT*) noexcept {
  if (member == DISPID_DOCUMENTCOMPLETE) {
    if (window) ShowWindow(window, SW_SHOW);
  } else {
    browser::RunExternal(member, parameters);
  }
  return S_OK;
}

STDMETHODIMP ROR_AdiDO::SaveObject() noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ROR_AdiDO::GetContainer(IOleContainer** container) noexcept {
  if (container) *container = nullptr;
  return E_FAIL;
}
STDMETHODIMP ROR_AdiDO::ShowObject() noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::OnShowWindow(BOOL) noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::RequestNewObjectLayout() noexcept { return S_OK; }

STDMETHODIMP ROR_AdiDO::GetWindow(HWND* result) noexcept {
  if (!result) return E_POINTER;
  *result = window;
  return S_OK;
}
STDMETHODIMP ROR_AdiDO::ContextSensitiveHelp(BOOL) noexcept { return E_NOTIMPL; }

STDMETHODIMP ROR_AdiDO::CanInPlaceActivate() noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::OnInPlaceActivate() noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::OnUIActivate() noexcept { return S_OK; }

STDMETHODIMP ROR_AdiDO::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                         LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) noexcept {
  if (frame) {
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
  }
  if (document) *document = nullptr;
  RECT client{};
  if (window) GetClientRect(window, &client);
  if (position) *position = client;
  if (clip) *clip = client;
  if (frameInfo) {
    frameInfo->cb = sizeof(OLEINPLACEFRAMEINFO);
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = window ? GetParent(window) : nullptr;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
  }
  return S_OK;
}

STDMETHODIMP ROR_AdiDO::Scroll(SIZE) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::OnUIDeactivate(BOOL) noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::OnInPlaceDeactivate() noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::DiscardUndoState() noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::DeactivateAndUndo() noexcept { return S_OK; }

STDMETHODIMP ROR_AdiDO::OnPosRectChange(LPCRECT position) noexcept {
  if (inPlaceObject && position) inPlaceObject->SetObjectRects(position, position);
  return S_OK;
}

STDMETHODIMP ROR_AdiDO::GetBorder(LPRECT) noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::RequestBorderSpace(LPCBORDERWIDTHS) noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::SetBorderSpace(LPCBORDERWIDTHS) noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::SetMenu(HMENU, HOLEMENU, HWND) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::RemoveMenus(HMENU) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::SetStatusText(LPCOLESTR) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::EnableModeless(BOOL) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::TranslateAccelerator(LPMSG, WORD) noexcept { return E_NOTIMPL; }

STDMETHODIMP ROR_AdiDO::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) noexcept { return S_OK; }
STDMETHODIMP ROR_AdiDO::GetHostInfo(DOCHOSTUIINFO* info) noexcept {
  if (!info) return S_FALSE;
  info->dwFlags = kHostFlags;
  return S_OK;
}
STDMETHODIMP ROR_AdiDO::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                               IOleInPlaceUIWindow*) noexcept {
  return E_NOTIMPL;
}
STDMETHODIMP ROR_AdiDO::HideUI() noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::UpdateUI() noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::OnDocWindowActivate(BOOL) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::OnFrameWindowActivate(BOOL) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::TranslateAccelerator(LPMSG, const GUID*, DWORD) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::GetOptionKeyPath(LPOLESTR*, DWORD) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::GetDropTarget(IDropTarget*, IDropTarget**) noexcept { return E_NOTIMPL; }
STDMETHODIMP ROR_AdiDO::GetExternal(IDispatch** external) noexcept {
  if (!external) return E_POINTER;
  *external = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}
STDMETHODIMP ROR_AdiDO::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) noexcept {
  if (translated) *translated = nullptr;
  return E_NOTIMPL;
}
STDMETHODIMP ROR_AdiDO::FilterDataObject(IDataObject*, IDataObject** filtered) noexcept {
  if (filtered) *filtered = nullptr;
  return E_NOTIMPL;
}

namespace browser {

long LiveSiteCount() noexcept { return InterlockedCompareExchange(&g_liveSites, 0, 0); }

}  // namespace browser
