#pragma once
// File and folder operations of the search client: folder checks and creation,
// the writability probe, unique file names, and settings-file access that
// writes only where a probe file can be created. Every text argument is
// trimmed first.

#include <functional>

#include "platform/core/Types.h"

// Answers whether a file can be created in the folder of Path. The window code
// passes IsFolderWritable; tests pass their own, since root can write anywhere.
using TFolderProbe = std::function<bool(const String& Path)>;

// False for an empty name, else whether the folder exists.
bool FolderExists(const String& Folder);
// Creates the folder with every missing parent; True when it exists afterwards.
bool ForceFolder(const String& Folder);
// True when Folder is not empty, a file can be created where it is to be made
// (the folder itself or its nearest existing parent) and it exists afterwards.
bool EnsureFolder(const String& Folder, const TFolderProbe& Probe = nullptr);

// FileName itself when free, else folder + base + "-N" + extension for the
// first N in 1..999998 that is not an existing file; the trimmed name itself
// when it is empty or every candidate is taken.
String UniqueFileName(const String& FileName);

// The probe: an empty file "~!789.~~~" (or "~!789-N.~~~" when that name is
// taken) is created in the folder of Path and deleted again. Path names a
// folder when it ends with "/" or is an existing folder, else a file, whose
// folder is probed; a bare file name probes the current folder. False for an
// empty path, a missing folder, or a folder that refuses new files.
bool IsFolderWritable(const String& Path);

// Why Folder took no new file, as a message tells it first (the box shows
// two lines without scrolling). Title names the folder's role ("Папка для
// сохранения записей"); ErrorCode is the system's error number of the write
// that failed (0 when not known): "<Title> больше не существует.",
// "<Title> - только для чтения.", "Диск заполнен: ...", a folder on the
// file's name, or that the folder takes no files.
String FolderRefusalText(const String& Title, const String& Folder, int ErrorCode);

// A name in use by something that is not a regular file (a folder, a pipe, a
// device): the program reads it as a missing file, and says so with
// NotARegularFileText.
bool IsNotARegularFile(const String& FileName);
String NotARegularFileText(const String& FileName);

// Settings-file reads: Default when any of the three names is empty, or when
// the file, the key or (for numbers) a valid number is missing.
Integer IniReadInteger(const String& FileName, const String& Section, const String& Key, Integer Default);
String IniReadString(const String& FileName, const String& Section, const String& Key, const String& Default,
                     bool TrimResult);
// Read as a number; non-zero is True.
bool IniReadBool(const String& FileName, const String& Section, const String& Key, bool Default);

// Settings-file writes: nothing happens unless the three names are non-empty
// and Probe (IsFolderWritable when none is given) passes for FileName.
// Integers go in decimal, Booleans as "1"/"0", strings trimmed.
void IniWriteInteger(const String& FileName, const String& Section, const String& Key, Integer Value,
                     const TFolderProbe& Probe = nullptr);
void IniWriteString(const String& FileName, const String& Section, const String& Key, const String& Value,
                    const TFolderProbe& Probe = nullptr);
void IniWriteBool(const String& FileName, const String& Section, const String& Key, bool Value,
                  const TFolderProbe& Probe = nullptr);
