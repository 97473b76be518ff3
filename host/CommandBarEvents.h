// TCommandBarButtonEventsSink: receives an Office command-bar button's
// events and routes its Click to a handler.
#pragma once

#include <functional>

#include "EventSink.h"

namespace carvelo::host {

class TCommandBarButtonEventsSink final : public com::TEventSink {
 public:
  // Receives the clicked control and the host's cancel-default flag.
  using TClickHandler = std::function<void(IDispatch* control, VARIANT_BOOL& cancelDefault)>;

  TCommandBarButtonEventsSink();

  void SetHandler(TClickHandler handler) { handler_ = std::move(handler); }
  bool HasHandler() const noexcept { return static_cast<bool>(handler_); }

  // Click (dispatch id 1) with exactly its two arguments runs the handler;
  // everything else is the base's DISP_E_MEMBERNOTFOUND.
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* argError) override;

 private:
  HRESULT RunClick(DISPPARAMS& params);
  TClickHandler handler_;
};

}  // namespace carvelo::host
