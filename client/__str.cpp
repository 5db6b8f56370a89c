#include "client/__str.h"

String StripTrailingLineBreak(const String& Text) {
  String s = Text;
  for (int i = 0; i < 2; ++i) {
    if (!s.empty() && (s.back() == u'\r' || s.back() == u'\n')) s.pop_back();
  }
  return s;
}

String ReplaceCharByString(const String& Text, Char FindChar, Char ReplaceChar) {
  String s = Text;
  for (Char& c : s) {
    if (c == FindChar) c = ReplaceChar;
  }
  return s;
}

String PadString(const String& Text, Integer Len, Char PadChar, Integer Side) {
  if (Length(Text) >= Len) return Text;
  const String pad(static_cast<size_t>(Len - Length(Text)), PadChar);
  return Side > 0 ? Text + pad : pad + Text;
}

String IntToStrPadded(Integer Value, Integer Width, Char PadChar) {
  const String s = IntToStr(Value);
  return Width > 0 ? PadString(s, Width, PadChar, -1) : s;
}

Integer StrToIntDefTrim(const String& Text, Integer Default) {
  Integer v = 0;
  return TryStrToInt(Trim(Text), v) ? v : Default;
}

String ExtractWordN(const String& Text, Integer N, const TSysCharSet& Delimiters, bool TrimFirst) {
  if (N < 1) return String();
  const String s = TrimFirst ? Trim(Text) : Text;
  Integer word = 0;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && Delimiters.Contains(s[i])) ++i;
    if (i == s.size()) break;
    const size_t start = i;
    while (i < s.size() && !Delimiters.Contains(s[i])) ++i;
    if (++word == N) return s.substr(start, i - start);
  }
  return String();
}

String SanitizeFileName(const String& Text, Char ReplaceChar) {
  String s = Trim(Text);
  for (Char& c : s) {
    switch (c) {
      case u':':
      case u'\\':
      case u'/':
      case u'?':
      case u'*':
      case u'.': c = ReplaceChar; break;
      default: break;
    }
  }
  return s;
}
