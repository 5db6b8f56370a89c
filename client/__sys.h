#pragma once
// What the program asks of the system about itself.

#include "platform/core/Types.h"

// Parameter 0 of the command line: the program file's full path. It is the
// executable itself (/proc/self/exe) unless SetParamStr0 named another file,
// as a test does to run the program from a folder of its own.
String ParamStr0();
void SetParamStr0(const String& Path);
