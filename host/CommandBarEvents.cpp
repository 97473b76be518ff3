#include "CommandBarEvents.h"

#include "HostError.h"
#include "HostIds.h"

namespace carvelo::host {

using com::GuardedCall;
using com::TEventSink;

TCommandBarButtonEventsSink::TCommandBarButtonEventsSink() : TEventSink(DIID_CommandBarButtonEvents) {}

HRESULT TCommandBarButtonEventsSink::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                            VARIANT* result, EXCEPINFO* info, UINT* argError) {
  if (id == DISPID_CommandBarButtonClick && params && params->cArgs == 2) return RunClick(*params);
  return TEventSink::Invoke(id, iid, lcid, flags, params, result, info, argError);
}

HRESULT TCommandBarButtonEventsSink::RunClick(DISPPARAMS& params) {
  if (!handler_) return S_OK;
  // Click(Ctrl, CancelDefault) arrives last argument first.
  VARIANT& control = params.rgvarg[1];
  VARIANT& cancel = params.rgvarg[0];
  IDispatch* clicked = V_VT(&control) == VT_DISPATCH ? V_DISPATCH(&control) : nullptr;
  const bool byReference = V_VT(&cancel) == (VT_BOOL | VT_BYREF) && V_BOOLREF(&cancel);
  VARIANT_BOOL flag = byReference ? *V_BOOLREF(&cancel) : VARIANT_FALSE;
  // Keep the handler alive even if it replaces itself while running.
  const TClickHandler handler = handler_;
  const HRESULT status = GuardedCall([&] { handler(clicked, flag); });
  if (byReference) *V_BOOLREF(&cancel) = flag;
  return status;
}

}  // namespace carvelo::host
