// The Office ribbon's interfaces, as the Office type library declares them
// (dual, derived from IDispatch; the vtable follows the dispatch ids from 1).
// MinGW's headers do not declare them.
#pragma once

#include <oaidl.h>

namespace carvelo::host {

inline constexpr IID IID_IRibbonExtensibility = {
    0x000C0396, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IRibbonUI = {0x000C03A7, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IRibbonControl = {
    0x000C0395, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Asked by the host after OnConnection for the add-in's ribbon XML.
struct IRibbonExtensibility : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) = 0;  // dispatch id 1
};

// The ribbon as the onLoad callback hands it over. The ActivateTab family
// came with Office 2010.
struct IRibbonUI : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE Invalidate() = 0;                                   // 1
  virtual HRESULT STDMETHODCALLTYPE InvalidateControl(BSTR ControlID) = 0;              // 2
  virtual HRESULT STDMETHODCALLTYPE InvalidateControlMso(BSTR ControlID) = 0;           // 3
  virtual HRESULT STDMETHODCALLTYPE ActivateTab(BSTR ControlID) = 0;                    // 4
  virtual HRESULT STDMETHODCALLTYPE ActivateTabMso(BSTR ControlID) = 0;                 // 5
  virtual HRESULT STDMETHODCALLTYPE ActivateTabQ(BSTR ControlID, BSTR Namespace) = 0;  // 6
};

// The control a callback is about.
struct IRibbonControl : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Id(BSTR* Id) = 0;                // 1
  virtual HRESULT STDMETHODCALLTYPE get_Context(IDispatch** Context) = 0;  // 2
  virtual HRESULT STDMETHODCALLTYPE get_Tag(BSTR* Tag) = 0;              // 3
};

}  // namespace carvelo::host
