#pragma once
// Resource lists written by hand for tests and benchmarks, and the Russian
// date and time formats the log lines are checked in.

#include <string>

#include "platform/core/FormatSettings.h"
#include "platform/core/Types.h"

// The two header lines and the root group of a resource list.
inline constexpr char kResourceListHead[] =
    "* header\r\n* ruler\r\n0\t-1\t0\t0\t+\t+\tRoot\t \t \t0\t \t \t \t \t \t\r\n";

// A resource in the root group, its place in the tree equal to its identifier.
inline std::string ResourceListLine(Integer Id, const std::string& Name, const std::string& Database,
                                    const std::string& Host, int Port, const std::string& Syntax) {
  return std::to_string(Id) + "\t0\t1\t" + std::to_string(Id) + "\t+\t+\t" + Name + "\t" + Database + "\t" + Host +
         "\t" + std::to_string(Port) + "\t" + Syntax + "\t???\t \t \t \t\r\n";
}

// dd.MM.yyyy and H:mm:ss while it lives; the formats before it afterwards.
class TRussianFormats {
public:
  TRussianFormats() : FSaved(FormatSettings) {
    FormatSettings.ShortDateFormat = u"dd.MM.yyyy";
    FormatSettings.LongTimeFormat = u"H:mm:ss";
    FormatSettings.DateSeparator = u'.';
    FormatSettings.TimeSeparator = u':';
  }
  ~TRussianFormats() { FormatSettings = FSaved; }
  TRussianFormats(const TRussianFormats&) = delete;
  TRussianFormats& operator=(const TRussianFormats&) = delete;

private:
  TFormatSettings FSaved;
};
