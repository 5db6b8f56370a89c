#pragma once
// TIniFile: a settings file of [sections] holding Name=Value lines, read and
// written key by key. The file is Windows-1251 on disk (a byte-order mark is
// honoured on reading) with CR LF line ends; sections and names match without
// regard to case. Each write replaces the file atomically (a temporary file in
// the same folder, renamed over it). A file that cannot be read gives the
// defaults; a write that fails raises EIniFileException.

#include "platform/core/StringList.h"

class TCustomIniFile : public TObject {
public:
  BORROW_CLASS(TCustomIniFile, TObject)
  explicit TCustomIniFile(const String& FileName) : FFileName(FileName) {}
  ~TCustomIniFile() override = default;

  const String& GetFileName() const { return FFileName; }

  virtual String ReadString(const String& Section, const String& Ident, const String& Default) = 0;
  virtual void WriteString(const String& Section, const String& Ident, const String& Value) = 0;
  virtual void ReadSection(const String& Section, TStrings* Strings) = 0;
  virtual void ReadSections(TStrings* Strings) = 0;
  virtual void ReadSectionValues(const String& Section, TStrings* Strings) = 0;
  virtual void EraseSection(const String& Section) = 0;
  virtual void DeleteKey(const String& Section, const String& Ident) = 0;
  virtual void UpdateFile() = 0;

  // Decimal or "0x" hexadecimal; anything else gives the default.
  Integer ReadInteger(const String& Section, const String& Ident, Integer Default);
  void WriteInteger(const String& Section, const String& Ident, Integer Value);
  // Stored as "1" / "0"; any non-zero integer reads as True.
  bool ReadBool(const String& Section, const String& Ident, bool Default);
  void WriteBool(const String& Section, const String& Ident, bool Value);
  // Floats and dates in the current locale settings.
  double ReadFloat(const String& Section, const String& Ident, double Default);
  void WriteFloat(const String& Section, const String& Ident, double Value);
  TDateTime ReadDate(const String& Section, const String& Ident, TDateTime Default);
  void WriteDate(const String& Section, const String& Ident, TDateTime Value);
  TDateTime ReadDateTime(const String& Section, const String& Ident, TDateTime Default);
  void WriteDateTime(const String& Section, const String& Ident, TDateTime Value);
  TDateTime ReadTime(const String& Section, const String& Ident, TDateTime Default);
  void WriteTime(const String& Section, const String& Ident, TDateTime Value);

  bool SectionExists(const String& Section);
  virtual bool ValueExists(const String& Section, const String& Ident);

private:
  String FFileName;
};

class TIniFile : public TCustomIniFile {
public:
  BORROW_CLASS(TIniFile, TCustomIniFile)
  explicit TIniFile(const String& FileName) : TCustomIniFile(FileName) {}

  String ReadString(const String& Section, const String& Ident, const String& Default) override;
  void WriteString(const String& Section, const String& Ident, const String& Value) override;
  void ReadSection(const String& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const String& Section, TStrings* Strings) override;
  void EraseSection(const String& Section) override;
  void DeleteKey(const String& Section, const String& Ident) override;
  // Writes are already on disk; nothing is pending.
  void UpdateFile() override {}
  bool ValueExists(const String& Section, const String& Ident) override;

private:
  // The file's lines, or none when it cannot be read.
  void Load(TStringList& Lines) const;
  void Save(const TStringList& Lines) const;
};
