#pragma once
// TStrings, the abstract list of strings with attached objects, and TStringList,
// its sortable, notifying implementation. Names and values ("Name=Value") are
// matched without regard to case through the locale's comparison.

#include <functional>
#include <vector>

#include "platform/core/Component.h"

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
public:
  BORROW_CLASS(TStrings, TPersistent)
  ~TStrings() override = default;

  virtual Integer GetCount() const = 0;
  virtual String Get(Integer Index) const = 0;
  virtual void Put(Integer Index, const String& S);
  virtual TObject* GetObject(Integer Index) const;
  virtual void PutObject(Integer Index, TObject* AObject);
  virtual void Insert(Integer Index, const String& S) = 0;
  virtual void Delete(Integer Index) = 0;
  virtual void Clear() = 0;

  String GetStrings(Integer Index) const { return Get(Index); }
  void SetStrings(Integer Index, const String& S) { Put(Index, S); }
  String operator[](Integer Index) const { return Get(Index); }
  TObject* GetObjects(Integer Index) const { return GetObject(Index); }
  void SetObjects(Integer Index, TObject* AObject) { PutObject(Index, AObject); }

  virtual Integer Add(const String& S);
  virtual Integer AddObject(const String& S, TObject* AObject);
  void InsertObject(Integer Index, const String& S, TObject* AObject);
  virtual void AddStrings(const TStrings* Strings);
  void Append(const String& S) { Add(S); }
  virtual void Exchange(Integer Index1, Integer Index2);
  virtual void Move(Integer CurIndex, Integer NewIndex);
  virtual Integer IndexOf(const String& S) const;
  Integer IndexOfName(const String& Name) const;
  Integer IndexOfObject(TObject* AObject) const;
  bool Equals(const TStrings* Strings) const;
  void Assign(TPersistent* Source) override;

  // Name=Value pairs, split at the first NameValueSeparator.
  String GetName(Integer Index) const;
  String Names(Integer Index) const { return GetName(Index); }
  String GetValue(const String& Name) const;
  String Values(const String& Name) const { return GetValue(Name); }
  // An empty value deletes the pair.
  void SetValue(const String& Name, const String& Value);
  String GetValueFromIndex(Integer Index) const;
  void SetValueFromIndex(Integer Index, const String& Value);
  Char GetNameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(Char Value) { FNameValueSeparator = Value; }

  // Lines joined with CR LF after each; setting reads LF, CR LF and CR line ends.
  virtual String GetText() const;
  virtual void SetText(const String& Value);
  String GetCommaText() const;
  void SetCommaText(const String& Value);
  String GetDelimitedText() const;
  void SetDelimitedText(const String& Value);
  Char GetDelimiter() const { return FDelimiter; }
  void SetDelimiter(Char Value) { FDelimiter = Value; }
  Char GetQuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(Char Value) { FQuoteChar = Value; }
  bool GetStrictDelimiter() const { return FStrictDelimiter; }
  void SetStrictDelimiter(bool Value) { FStrictDelimiter = Value; }

  void BeginUpdate();
  void EndUpdate();
  Integer GetUpdateCount() const { return FUpdateCount; }

  // Files and streams hold Windows-1251 text; a UTF-8 or UTF-16 byte-order mark is honoured on load.
  virtual void LoadFromFile(const String& FileName);
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToFile(const String& FileName) const;
  virtual void SaveToStream(TStream* Stream) const;

  // -1, 0 or 1. The base compares without regard to case.
  virtual int CompareStrings(const String& S1, const String& S2) const;

protected:
  virtual void SetUpdateState(bool) {}
  String QuotedItem(const String& S) const;

private:
  Integer FUpdateCount = 0;
  Char FNameValueSeparator = u'=';
  Char FDelimiter = u',';
  Char FQuoteChar = u'"';
  bool FStrictDelimiter = false;
};

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, Integer Index1, Integer Index2)>;

class TStringList : public TStrings {
public:
  BORROW_CLASS(TStringList, TStrings)
  TStringList() = default;
  explicit TStringList(bool AOwnsObjects) : FOwnsObjects(AOwnsObjects) {}
  ~TStringList() override;
  TStringList(const TStringList&) = delete;
  TStringList& operator=(const TStringList&) = delete;

  Integer GetCount() const override { return static_cast<Integer>(FList.size()); }
  String Get(Integer Index) const override;
  void Put(Integer Index, const String& S) override;
  TObject* GetObject(Integer Index) const override;
  void PutObject(Integer Index, TObject* AObject) override;
  Integer Add(const String& S) override;
  Integer AddObject(const String& S, TObject* AObject) override;
  void Insert(Integer Index, const String& S) override;
  void Delete(Integer Index) override;
  void Clear() override;
  void Exchange(Integer Index1, Integer Index2) override;
  Integer IndexOf(const String& S) const override;
  void SetText(const String& Value) override;

  // Binary search of a sorted list: true when found, Index then the first match,
  // else the place it would go.
  virtual bool Find(const String& S, Integer& Index) const;
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool GetSorted() const { return FSorted; }
  void SetSorted(bool Value);
  TDuplicates GetDuplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool GetCaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);
  bool GetOwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

  int CompareStrings(const String& S1, const String& S2) const override;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool Updating) override;
  void InsertItem(Integer Index, const String& S, TObject* AObject);

private:
  struct TStringItem {
    String FString;
    TObject* FObject = nullptr;
  };
  void CheckIndex(Integer Index) const;
  void QuickSort(Integer L, Integer R, const TStringListSortCompare& Compare);
  void ExchangeItems(Integer Index1, Integer Index2);

  std::vector<TStringItem> FList;
  bool FSorted = false;
  TDuplicates FDuplicates = dupIgnore;
  bool FCaseSensitive = false;
  bool FOwnsObjects = false;
};
