#pragma once
// A window whose procedure records what it receives, for the window-layer tests.

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "platform/backend/Headless.h"
#include "platform/ui/Input.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Timers.h"
#include "platform/ui/Windows.h"

struct TRecordedMessage {
  HWND Wnd;
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
};

class TMessageLog {
public:
  // A procedure that logs every message of the kinds in Watch (all when empty),
  // lets Handler answer first, and defaults the rest.
  TWindowProcedure Procedure(HWND* Self, std::function<bool(TMessage&)> Handler = nullptr) {
    // Self is written only while the window is being created: the test's variable
    // may be gone by the time the window is destroyed.
    auto creating = std::make_shared<bool>(true);
    Creating.push_back(creating);
    return [this, Self, Handler, creating](HWND h, TMessage& m) {
      if (*creating) *Self = h;
      if (Watch.empty() || std::find(Watch.begin(), Watch.end(), m.Msg) != Watch.end())
        Log.push_back({h, m.Msg, m.WParam, m.LParam});
      if (Handler && Handler(m)) return;
      DefaultWindowProc(h, m);
    };
  }
  std::vector<TRecordedMessage> Of(UINT Msg) const {
    std::vector<TRecordedMessage> out;
    for (const auto& r : Log)
      if (r.Msg == Msg) out.push_back(r);
    return out;
  }
  // Ends the creation phase of every window made so far.
  void Created() {
    for (auto& c : Creating) *c = false;
  }
  // From now on only these kinds are kept; what was logged before is dropped.
  void WatchOnly(std::vector<UINT> Kinds) {
    Watch = std::move(Kinds);
    Log.clear();
  }
  std::vector<std::shared_ptr<bool>> Creating;
  std::vector<UINT> Watch;
  std::vector<TRecordedMessage> Log;
};

inline HWND MakeTopLevel(TMessageLog& log, HWND* self, TRect r, DWORD style = WS_OVERLAPPEDWINDOW, DWORD exStyle = 0,
                         HWND owner = nullptr, DWORD classStyle = 0, std::function<bool(TMessage&)> handler = nullptr) {
  TCreateParams p;
  p.Style = style;
  p.ExStyle = exStyle;
  p.X = r.Left, p.Y = r.Top, p.Width = r.Width(), p.Height = r.Height();
  p.WndParent = owner;
  p.WindowClass.style = classStyle;
  p.WindowClass.Background = clBtnFace;
  *self = CreateWindowFromParams(p, log.Procedure(self, handler));
  log.Created();
  return *self;
}

inline HWND MakeChild(TMessageLog& log, HWND* self, HWND parent, TRect r, DWORD style = WS_VISIBLE,
                      DWORD classStyle = 0, std::function<bool(TMessage&)> handler = nullptr) {
  TCreateParams p;
  p.Style = WS_CHILD | style;
  p.X = r.Left, p.Y = r.Top, p.Width = r.Width(), p.Height = r.Height();
  p.WndParent = parent;
  p.WindowClass.style = classStyle;
  p.WindowClass.Background = clWindow;
  *self = CreateWindowFromParams(p, log.Procedure(self, handler));
  log.Created();
  return *self;
}
