#pragma once
// The container side of a system-browser window: the object the browser control talks to as
// its client site, in-place site and frame, document host, event sink and the page's
// `window.external`. One per window.
//
// It lives as long as anyone holds a reference: the window holds one from construction until
// its teardown, the control holds its own while it exists, and whatever a page or a late event
// keeps may call it safely after the window is gone.
#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <mshtmhst.h>

#include <string>

#include "base/win_handles.h"

struct ROR_AdiDO final : IDispatch, IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame, IDocHostUIHandler {
  // Builds the control in a new storage. Without storage or control the object has no
  // control (HasControl false). The new object holds one reference, the window's.
  ROR_AdiDO() noexcept;
  ROR_AdiDO(const ROR_AdiDO&) = delete;
  ROR_AdiDO& operator=(const ROR_AdiDO&) = delete;

  bool HasControl() const noexcept { return static_cast<bool>(oleObject); }
  // Connects the event sink to the control's browser; false when the control has no browser
  // interface or refuses the connection.
  bool ConnectBrowser() noexcept;
  // Activates the control in place over the window's client area and sizes the browser to it.
  void FitToWindow() noexcept;
  // Disconnects the sink, closes the control and lets go of every interface it handed out.
  // Calls after this find no control and do nothing harmful.
  void Disconnect() noexcept;

  // IUnknown (shared by every base)
  STDMETHODIMP QueryInterface(REFIID id, void** object) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override;
  STDMETHODIMP_(ULONG) Release() noexcept override;

  // IDispatch: event sink and `window.external`
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override;
  STDMETHODIMP GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) noexcept override;
  STDMETHODIMP Invoke(DISPID member, REFIID id, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                      EXCEPINFO* exception, UINT* argumentError) noexcept override;

  // IOleClientSite
  STDMETHODIMP SaveObject() noexcept override;
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) noexcept override;
  STDMETHODIMP GetContainer(IOleContainer** container) noexcept override;
  STDMETHODIMP ShowObject() noexcept override;
  STDMETHODIMP OnShowWindow(BOOL show) noexcept override;
  STDMETHODIMP RequestNewObjectLayout() noexcept override;

  // IOleWindow (for both the in-place site and the frame)
  STDMETHODIMP GetWindow(HWND* window) noexcept override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter) noexcept override;

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() noexcept override;
  STDMETHODIMP OnInPlaceActivate() noexcept override;
  STDMETHODIMP OnUIActivate() noexcept override;
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO frameInfo) noexcept override;
  STDMETHODIMP Scroll(SIZE extent) noexcept override;
  STDMETHODIMP OnUIDeactivate(BOOL undoable) noexcept override;
  STDMETHODIMP OnInPlaceDeactivate() noexcept override;
  STDMETHODIMP DiscardUndoState() noexcept override;
  STDMETHODIMP DeactivateAndUndo() noexcept override;
  STDMETHODIMP OnPosRectChange(LPCRECT position) noexcept override;

  // IOleInPlaceUIWindow and IOleInPlaceFrame
  STDMETHODIMP GetBorder(LPRECT border) noexcept override;
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) noexcept override;
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) noexcept override;
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR name) noexcept override;
  STDMETHODIMP InsertMenus(HMENU menu, LPOLEMENUGROUPWIDTHS widths) noexcept override;
  STDMETHODIMP SetMenu(HMENU menu, HOLEMENU shared, HWND activeObject) noexcept override;
  STDMETHODIMP RemoveMenus(HMENU menu) noexcept override;
  STDMETHODIMP SetStatusText(LPCOLESTR text) noexcept override;
  STDMETHODIMP EnableModeless(BOOL enable) noexcept override;
  STDMETHODIMP TranslateAccelerator(LPMSG message, WORD id) noexcept override;

  // IDocHostUIHandler
  STDMETHODIMP ShowContextMenu(DWORD id, POINT* point, IUnknown* target, IDispatch* object) noexcept override;
  STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) noexcept override;
  STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* target, IOleInPlaceFrame* frame,
                      IOleInPlaceUIWindow* document) noexcept override;
  STDMETHODIMP HideUI() noexcept override;
  STDMETHODIMP UpdateUI() noexcept override;
  STDMETHODIMP OnDocWindowActivate(BOOL activate) noexcept override;
  STDMETHODIMP OnFrameWindowActivate(BOOL activate) noexcept override;
  STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) noexcept override;
  STDMETHODIMP TranslateAccelerator(LPMSG message, const GUID* group, DWORD command) noexcept override;
  STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD reserved) noexcept override;
  STDMETHODIMP GetDropTarget(IDropTarget* target, IDropTarget** replacement) noexcept override;
  STDMETHODIMP GetExternal(IDispatch** external) noexcept override;
  STDMETHODIMP TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* translated) noexcept override;
  STDMETHODIMP FilterDataObject(IDataObject* object, IDataObject** filtered) noexcept override;

  volatile LONG references = 1;
  win::ComPtr<IStorage> storage;
  win::ComPtr<IOleObject> oleObject;
  win::ComPtr<IOleInPlaceObject> inPlaceObject;
  HWND window = nullptr;
  RECT clientRect{};
  win::ComPtr<IWebBrowser2> browser;
  std::wstring name;
  // The event connection, undone before the control is closed.
  DWORD adviseCookie = 0;

 private:
  ~ROR_AdiDO();
};

namespace browser {

// Objects not yet freed, for leak checks.
long LiveSiteCount() noexcept;

}  // namespace browser
