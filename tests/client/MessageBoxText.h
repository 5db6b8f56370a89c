#pragma once
// What of a message box's text the user reads without scrolling: the lines of
// its text box that fit whole in its client area, as the box shows them.

#include <iterator>
#include <set>

#include "client/z39_04_MyShowMessage.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/Messages.h"

inline String VisibleMessageText(const String& Caption, const String& Head, const String& Text) {
  auto box = NewMessageBox(Caption, Head, Text, false);
  box->Show();
  TRichEdit* edit = box->RE_Msg;
  const String shown = edit->GetText();
  const HWND wnd = edit->GetHandle();
  auto top = [&](size_t At) { return GetYLParam(LPARAM(SendMessage(wnd, EM_POSFROMCHAR, WPARAM(At), 0))); };
  std::set<Integer> tops;
  for (size_t i = 0; i < shown.size(); ++i) tops.insert(top(i));
  // A line is as high as the distance between two lines' tops.
  const Integer height = tops.size() > 1 ? *std::next(tops.begin()) - *tops.begin() : 0;
  size_t visible = 0;
  while (visible < shown.size() && top(visible) >= 0 && top(visible) + height <= edit->GetClientHeight()) ++visible;
  box->Hide();
  return shown.substr(0, visible);
}
