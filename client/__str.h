#pragma once
// Text helpers of the search client: trailing line breaks, character
// replacement, padding, lenient number parsing, the N-th word of a text and
// file-name cleaning. "Trim" always means the platform's Trim: every
// character up to and including the blank goes at both ends.

#include "platform/core/Strings.h"
#include "platform/core/Types.h"

// Removes a final CR or LF, then once more: at most one CR LF (or LF CR) pair.
String StripTrailingLineBreak(const String& Text);

// Every FindChar replaced by ReplaceChar.
String ReplaceCharByString(const String& Text, Char FindChar, Char ReplaceChar);

// Pads with PadChar up to Len characters: on the right when Side > 0, else on
// the left. A text already Len long or longer comes back unchanged.
String PadString(const String& Text, Integer Len, Char PadChar, Integer Side);

// Value in decimal, padded on the left to Width when Width > 0. The pad goes
// in front of the whole text, so a minus sign stays after the pad characters.
String IntToStrPadded(Integer Value, Integer Width, Char PadChar);

// Trimmed Text as a 32-bit integer (decimal with an optional sign, or "$"
// hexadecimal); Default when it is not one.
Integer StrToIntDefTrim(const String& Text, Integer Default);

// The N-th word (1-based) of Text, words being maximal runs of characters not
// in Delimiters. With TrimFirst the text is trimmed before it is split. Empty
// when N < 1 or there are fewer than N words.
String ExtractWordN(const String& Text, Integer N, const TSysCharSet& Delimiters, bool TrimFirst);

// Trimmed Text with each of : \ / ? * . replaced by ReplaceChar.
String SanitizeFileName(const String& Text, Char ReplaceChar);
