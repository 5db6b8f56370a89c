#pragma once
// The settings file "Borrowline.ini" and the program's folders, without the
// windows: the main window takes its colour scheme (ReadSchemeIndex) before the
// resource list loads, copies the rest into its controls after it
// (ReadSearchSettings), and all of it back at its close (SaveSettingsFile).

#include <vector>

#include "client/__files.h"
#include "platform/core/Types.h"

inline constexpr Char SettingsFileTitle[] = u"Borrowline.ini";

// SettingsFolder + Title; none ("") when the folder is empty (it could not be
// made at start): the program reads and writes nothing outside its own folders,
// and a bare name would be the current folder's.
String SettingsFolderFile(const String& SettingsFolder, const Char* Title);
// SettingsFolderFile(SettingsFolder, "Borrowline.ini").
String SettingsFileName(const String& SettingsFolder);

// How many choices the bound controls offer: a stored index outside 0..Count-1
// selects choice 0.
inline constexpr Integer SchemeCount = 2;    // "Небесно-голубая", "Пустыня"
inline constexpr Integer SaveModeCount = 2;  // per resource, per format
inline constexpr Integer FindModeCount = 1;  // "Простой"

// The eleven keys, with their defaults (DirSave's depends on the program folder).
struct TSettingsValues {
  Integer SchemeIndex = 0;        // [SchemeColor] Index
  String DirSave;                 // [BR] DirSave
  Integer SaveMode = 0;           // [BR] SaveMode
  Integer FindMode = 0;           // [FIND] Mode
  String RecCountFromDB = u"10";  // [FIND] RecCountFromDB, kept as text
  bool Title_Check = true;        // [FIND_SIMPLE] ...
  String Title_Text;
  bool Author_Check = false;
  String Author_Text;
  bool Keyword_Check = false;
  String Keyword_Text;

  bool operator==(const TSettingsValues&) const = default;
};

// The keys are read in two parts, in the order the main window loads them:
// the colour scheme, then the other ten (SchemeIndex left 0). Absent keys give
// their defaults, DirSave's being AppFolder + "Import/". Strings are trimmed;
// RecCountFromDB is not checked here (the start of a search does that).
Integer ReadSchemeIndex(const String& FileName);
TSettingsValues ReadSearchSettings(const String& FileName, const String& AppFolder);

// Every key written in the order the main window saves them; each write is
// skipped when Probe (IsFolderWritable by default) fails for the file.
void WriteSettingsFile(const String& FileName, const TSettingsValues& Values, const TFolderProbe& Probe = nullptr);

// The close's save of the settings: nothing is written when the file already
// gives Values back with every key in it; else WriteSettingsFile. True when the
// file then gives Values as they are stored (strings trimmed; absent keys give
// their defaults, DirSave's from AppFolder), or when it was written; false
// when the user's changes are lost: the probe failed or the write did.
bool SaveSettingsFile(const String& FileName, const String& AppFolder, const TSettingsValues& Values,
                      const TFolderProbe& Probe = nullptr);

// Values as the file would give them back: strings trimmed.
TSettingsValues AsStored(TSettingsValues Values);

// A file of the settings folder whose content the close could not keep, and
// what it holds for the user.
struct TLostSettingsFile {
  String FileName;
  String What;          // "настройки", "список Z39.50-ресурсов для поиска"
  bool Changed = true;  // the user changed it since start-up
  bool Unread = false;  // start-up could not read it, so the close kept it as it is
};
// What the close tells the user of them: why each could not be written (the
// settings folder gone, read-only or on a full disk, something other than a
// file in its place, or a file start-up could not read), what is lost, and,
// when the user changed one of them, that the changes go with it. An empty
// SettingsFolder (it could not be made at start) names AppFolder's.
String LostSettingsText(const String& SettingsFolder, const String& AppFolder,
                        const std::vector<TLostSettingsFile>& Lost);

// Why FileName, a file of the settings folder, cannot be read now: 0 when it
// can or is missing (read as an empty file), else the system's error number
// (EISDIR for a folder, EINVAL for a pipe or a device, EACCES, EIO, ...). A
// file start-up could not read is not written over: what the program holds
// of it is not what the user keeps there.
int SettingsFileReadError(const String& FileName);
// Why a file of the settings folder could not be read, from the system's
// error number, in the words every such message uses.
String ReadFailureCause(int ErrorCode);
// What start-up says of a regular file it could not read, ErrorCode being the
// system's error number: the cause, and that the file is kept as it is.
String UnreadSettingsFileText(const String& FileName, int ErrorCode);

// True when SettingsFolder is not empty, exists and passes the probe.
bool IsSettingsFolderWritable(const String& SettingsFolder, const TFolderProbe& Probe = nullptr);

// What the main window's creation makes of the program folder: "Settings/",
// "Import/" and "MyWork/" are created when missing and AppFolder passes the
// probe; the folders that then exist give the settings folder, the save folder
// and the initial folders of the search-list save and open dialogs.
struct TProgramFolders {
  String SettingsFolder;    // AppFolder + "Settings/" or empty
  String DirSave;           // AppFolder + "Import/" or empty
  String SaveDialogFolder;  // SD1
  String OpenDialogFolder;  // OD1
};
TProgramFolders PrepareProgramFolders(const String& AppFolder, const TFolderProbe& Probe = nullptr);
