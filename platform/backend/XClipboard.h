#pragma once
// Reading the X clipboard's text on a connection of our own. SDL's own reading
// takes the answer in one piece only, so a large text that its owner hands over
// in pieces (the incremental transfer, which owners use above a few hundred
// kilobytes) came back empty. Kept apart so that Xlib's macros stay out of the
// rest of the backend.

#include <functional>
#include <memory>
#include <string>

enum class TXClipboardRead { Text, NoText, Failed };

class TXClipboard {
public:
  // Null when the display cannot be opened.
  static std::unique_ptr<TXClipboard> Open(const char* DisplayName);
  ~TXClipboard();
  TXClipboard(const TXClipboard&) = delete;
  TXClipboard& operator=(const TXClipboard&) = delete;

  // The CLIPBOARD selection's text as UTF-8. While it waits for the owner, Idle
  // runs now and then (the owner may be this very process, answering through its
  // own event loop). Failed, with Error set, when the owner stops answering for
  // TimeoutMs or sends something that is not text.
  TXClipboardRead ReadText(std::string& Utf8, std::string& Error, const std::function<void()>& Idle,
                           int TimeoutMs = 5000);

  struct TState;  // the connection, our window and the atoms

private:
  explicit TXClipboard(std::unique_ptr<TState> State);
  std::unique_ptr<TState> FState;
};
