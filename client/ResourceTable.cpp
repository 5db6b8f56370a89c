#include "client/ResourceTable.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <unordered_map>
#include <unordered_set>

#include "client/SearchServer.h"
#include "client/SettingsFile.h"
#include "client/__str.h"
#include "platform/core/Files.h"
#include "platform/core/Parallel.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/Strings.h"
#include "platform/data/FieldDefs.h"
#include "platform/data/Fields.h"
#include "platform/ui/Forms.h"

namespace {

struct TColumn {
  const Char* Name;
  TFieldType Type;
  Integer Size;
};

// The record's fields in the table's order; sizes are the longest texts.
constexpr TColumn kColumns[] = {
    {u"NAME_THIS", ftWideString, 200}, {u"Database", ftWideString, 64}, {u"URL", ftWideString, 64},
    {u"PORT", ftInteger, 0},           {u"Syntax", ftWideString, 32},   {u"Encoding", ftWideString, 32},
    {u"Username", ftWideString, 64},   {u"PSW", ftWideString, 32},      {u"ItsActual", ftWideString, 1},
    {u"ItsUse", ftWideString, 1},      {u"NPP", ftInteger, 0},          {u"Note", ftWideString, 100},
    {u"ID_TYPE", ftInteger, 0},        {u"ID_THIS", ftInteger, 0},      {u"ID_PARENT", ftInteger, 0},
};

constexpr Char kAllFields[] =
    u"ID_THIS;ID_PARENT;ID_TYPE;NPP;NAME_THIS;Database;URL;PORT;Syntax;Encoding;"
    u"Username;PSW;ItsActual;ItsUse;Note";
// What a search's connection takes from a resource, in ResourceToConnectionParams' order.
constexpr Char kConnectionFields[] = u"Database;URL;PORT;Syntax;Encoding;Username;PSW";

// The hourglass for the length of a load or a save.
class TBusyCursor {
public:
  TBusyCursor() {
    if (Screen) Screen->SetCursor(crHourGlass);
  }
  ~TBusyCursor() {
    if (Screen) Screen->SetCursor(crDefault);
  }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

void Call(const std::function<void()>& F) {
  if (F) F();
}

}  // namespace

namespace {

String ValueText(const Variant& V) { return VarIsNullOrEmpty(V) ? String() : V.AsString(); }

Integer ValueInteger(const Variant& V) {
  if (VarType(V) == varInteger) return V.AsInteger();
  return VarIsNullOrEmpty(V) ? 0 : StrToIntDefTrim(V.AsString(), 0);
}

// A stored value as ValueInteger reads it; a column the record does not hold
// reads as Null.
Integer StoredInteger(const TRecDataValues& Data, Integer Column) {
  const TRecValueEh* v = Data.Find(Column);
  if (!v || v->IsNullOrEmpty()) return 0;
  if (v->VarType() == varInteger) return static_cast<Integer>(v->Whole());
  return ValueInteger(v->ToVariant());
}

// Stored values as texts the way ValueText reads them, without copying the
// texts the store already holds; the few values that need converting are
// kept here for as long as the views into them are used.
class TStoredTexts {
public:
  StringView Of(const TRecDataValues& Data, Integer Column) {
    const TRecValueEh* v = Data.Find(Column);
    if (!v || v->IsNullOrEmpty()) return {};
    if (v->IsText()) return v->Text();
    return FConverted.emplace_back(v->AsString());
  }

private:
  std::deque<String> FConverted;
};

}  // namespace

Integer ResourceFieldSize(const String& FieldName) {
  for (const TColumn& c : kColumns)
    if (AnsiSameText(c.Name, FieldName)) return c.Size;
  return 0;
}

String RecordText(const TMemoryRecordEh* Record, const String& FieldName) {
  return Record ? ValueText(Record->GetDataValues(FieldName, rvvValueEh)) : String();
}

Integer RecordInteger(const TMemoryRecordEh* Record, const String& FieldName) {
  return Record ? ValueInteger(Record->GetDataValues(FieldName, rvvValueEh)) : 0;
}

TResourceTable::TResourceTable(TComponent* Owner) { CreateTables(Owner); }

TResourceTable::~TResourceTable() {
  // The second cursor works on the tree table's store: it goes first.
  FOwnBuf.reset();
  FOwnTree.reset();
}

void TResourceTable::CreateTables(TComponent* Owner) {
  if (Owner) {
    MemTableEh_Tree = new TMemTableEh(Owner);
    MemTableEh_Buf = new TMemTableEh(Owner);
  } else {
    FOwnTree = std::make_unique<TMemTableEh>(nullptr);
    FOwnBuf = std::make_unique<TMemTableEh>(nullptr);
    MemTableEh_Tree = FOwnTree.get();
    MemTableEh_Buf = FOwnBuf.get();
  }
  MemTableEh_Tree->SetName(u"MemTableEh_Tree");
  MemTableEh_Buf->SetName(u"MemTableEh_Buf");

  TMemTableDataEh* store = MemTableEh_Tree->GetMemTableData();
  for (const TColumn& c : kColumns) {
    TComponentClass cls = c.Type == ftInteger ? TMTNumericDataFieldEh::StaticComponentClass()
                                              : TMTStringDataFieldEh::StaticComponentClass();
    TMTDataFieldEh* f = store->GetDataStruct()->CreateField(cls);
    f->SetDataType(c.Type);
    f->SetFieldName(c.Name);
    if (c.Size > 0) f->SetSize(c.Size);
  }
  store->GetDataStruct()->GetFieldIndexes(kConnectionFields, FConnectionColumns);
  // Persistent fields for the columns, then the calculated Name_Type.
  MemTableEh_Tree->GetFieldDefs()->Update();
  for (Integer i = 0; i < MemTableEh_Tree->GetFieldDefs()->Count(); ++i)
    MemTableEh_Tree->GetFieldDefs()->GetItem(i)->CreateField(MemTableEh_Tree);
  auto* nameType = static_cast<TField*>(DefaultFieldClass(ftWideString)->Create(MemTableEh_Tree));
  nameType->SetFieldName(u"Name_Type");
  nameType->SetSize(20);
  nameType->SetFieldKind(fkCalculated);
  nameType->SetDataSet(MemTableEh_Tree);
  MemTableEh_Tree->OnCalcFields = [this](TDataSet* D) { MemTableEh_TreeCalcFields(D); };

  MemTableEh_Tree->SetCachedUpdates(true);
  MemTableEh_Tree->SetFetchAllOnOpen(true);
  MemTableEh_Tree->SetStoreDefs(true);
  // Every search looks its resource up by identifier, and the tree finds
  // parents by key: both go through an index instead of a scan.
  MemTableEh_Tree->GetIndexDefs()->Add(u"BY_ID_THIS", u"ID_THIS", {});
  MemTableEh_Tree->GetIndexDefs()->Add(u"BY_ID_PARENT", u"ID_PARENT", {});
  MemTableEh_Tree->SetSortOrder(TreeSortOrder);
  MemTableEh_Tree->GetTreeList()->SetKeyFieldName(u"ID_THIS");
  MemTableEh_Tree->GetTreeList()->SetRefParentFieldName(u"ID_PARENT");
  MemTableEh_Tree->GetTreeList()->SetDefaultNodeExpanded(true);
  MemTableEh_Tree->SetFiltered(true);
  MemTableEh_Tree->SetReadOnly(true);

  MemTableEh_Buf->SetExternalMemData(MemTableEh_Tree);
  MemTableEh_Buf->SetCachedUpdates(true);
}

void TResourceTable::MemTableEh_TreeCalcFields(TDataSet* DataSet) {
  TField* type = DataSet->FieldByName(u"ID_TYPE");
  DataSet->FieldByName(u"Name_Type")
      ->SetAsString(!type->GetIsNull() && type->GetAsInteger() >= 1 ? ResourceTypeName : GroupTypeName);
}

void TResourceTable::SwitchTreeOn() {
  TMemTableTreeListEh* tree = MemTableEh_Tree->GetTreeList();
  tree->SetKeyFieldName(u"ID_THIS");
  tree->SetRefParentFieldName(u"ID_PARENT");
  tree->SetDefaultNodeExpanded(true);
  tree->SetActive(true);
}

TMemoryRecordEh* TResourceTable::MakeRecord(TResourceRecord& R, bool RootGroup, const std::vector<Integer>& Columns) {
  TMemoryRecordEh* rec = MemTableEh_Tree->GetRecordsView()->NewRecord();
  // Freed again if a value is refused.
  std::unique_ptr<TMemoryRecordEh> owned(rec);
  // Columns: the positions of kAllFields, in its order.
  // The record's texts move into the table: the loader has no further use for them.
  auto set = [&](size_t Field, Variant Value) { rec->SetValue(Columns[Field], rvvValueEh, std::move(Value)); };
  set(0, Variant(R.ID_THIS));
  set(1, Variant(R.ID_PARENT));
  set(2, Variant(R.ID_TYPE));
  set(3, Variant(R.NPP));
  set(4, Variant(std::move(R.NAME_THIS)));
  set(12, Variant(std::move(R.ItsActual)));
  set(13, Variant(std::move(R.ItsUse)));
  // The root group's other fields stay unset: Null, written back as placeholders.
  if (!RootGroup) {
    set(5, Variant(std::move(R.Database)));
    set(6, Variant(std::move(R.URL)));
    set(7, Variant(R.PORT));
    set(8, Variant(std::move(R.Syntax)));
    set(9, Variant(std::move(R.Encoding)));
    set(10, Variant(std::move(R.Username)));
    set(11, Variant(std::move(R.PSW)));
    set(14, Variant(std::move(R.Note)));
  }
  return owned.release();
}

Integer TResourceTable::LoadResourceList(const String& SettingsFolder, const TResourceListWait& Wait) {
  TBusyCursor busy;
  if (Wait.Show) Wait.Show(220, u"Загрузка ресурсов Z39.50", u"Идет подготовка к работе");
  Call(Wait.Pump);

  // Until the new list is in, the table holds neither the old list nor the file's.
  FFileUnread = true;
  FUnsavedChanges = false;
  MemTableEh_Buf->Close();
  MemTableEh_Tree->Close();
  // The old records go while the table is closed: opening with them would
  // sort them all only to drop them.
  MemTableEh_Tree->GetRecordsData()->GetRecordsList()->Clear();
  MemTableEh_Tree->SetReadOnly(false);
  MemTableEh_Tree->SetSortOrder(TreeSortOrder);
  MemTableEh_Tree->GetTreeList()->SetActive(false);
  MemTableEh_Tree->Open();
  MemTableEh_Tree->EmptyTable();
  // A list that cannot be read to its end leaves the table closed, and the
  // file marked unread: a save of what the table then holds would write it
  // over the user's list.
  bool loaded = false;
  TScopeExit closeUnloaded([&] {
    if (!loaded) MemTableEh_Tree->Close();
  });

  // The wait window moves, and messages run, when the percentage does: not for
  // every one of a hundred thousand lines.
  Integer shown = -1;
  // Each record is made as its line is read, so the list never lies in memory
  // twice; made records belong to no list yet, so the table, open and empty
  // while messages run, shows none of them. The reader gives the root group
  // alone when the file has no usable line; that group keeps its unset fields
  // unset.
  std::vector<TMemoryRecordEh*> made;
  size_t posted = 0;
  TScopeExit freeUnposted([&] {
    for (size_t i = posted; i < made.size(); ++i) delete made[i];
  });
  std::vector<Integer> columns;
  MemTableEh_Tree->GetRecordsData()->GetDataStruct()->GetFieldIndexes(kAllFields, columns);
  LoadResourceListFile(
      ResourceListFileName(SettingsFolder),
      [&](TResourceRecord& Record, bool RootGroup) {
        // Room first, so that a record once made is always held.
        if (made.size() == made.capacity()) made.reserve(std::max<size_t>(1024, 2 * made.capacity()));
        made.push_back(MakeRecord(Record, RootGroup, columns));
      },
      [&](Integer Percent) {
        if (Percent == shown) return;
        shown = Percent;
        if (Wait.SetProgress) Wait.SetProgress(Percent);
        Call(Wait.Pump);
      });
  // The records go in while the table is closed and the records list holds its
  // notifications: the indexes and the view are built once, when the table opens
  // in tree mode, instead of being kept in step with every record.
  MemTableEh_Tree->Close();
  {
    TRecordsListEh* list = MemTableEh_Tree->GetRecordsData()->GetRecordsList();
    struct TUpdate {
      TRecordsListEh* L;
      ~TUpdate() { L->EndUpdate(); }
    } update{list};
    list->BeginUpdate();
    for (; posted < made.size(); ++posted) made[posted]->Post();
  }
  Call(Wait.Normal);

  MemTableEh_Tree->SetReadOnly(true);
  SwitchTreeOn();
  MemTableEh_Tree->Open();
  MemTableEh_Buf->Open();
  loaded = true;
  FFileUnread = false;
  return static_cast<Integer>(made.size());
}

std::vector<TResourceRecord> TResourceTable::AllRecords() const {
  std::vector<TResourceRecord> out;
  TStoredTexts texts;
  TRecordsListEh* list = MemTableEh_Tree->GetRecordsData()->GetRecordsList();
  out.reserve(static_cast<size_t>(list->GetCount()));
  // Columns found once, in kAllFields' order, not by name for every record.
  std::vector<Integer> c;
  MemTableEh_Tree->GetRecordsData()->GetDataStruct()->GetFieldIndexes(kAllFields, c);
  for (Integer i = 0; i < list->GetCount(); ++i) {
    // The values read in place: a copy of each would cost more than the save.
    const TRecDataValues data = list->GetRecord(i)->GetData();
    auto text = [&](size_t Field) { return String(texts.Of(data, c[Field])); };
    auto number = [&](size_t Field) { return StoredInteger(data, c[Field]); };
    TResourceRecord r;
    r.ID_THIS = number(0);
    r.ID_PARENT = number(1);
    r.ID_TYPE = number(2);
    r.NPP = number(3);
    r.NAME_THIS = text(4);
    r.Database = text(5);
    r.URL = text(6);
    r.PORT = number(7);
    r.Syntax = text(8);
    r.Encoding = text(9);
    r.Username = text(10);
    r.PSW = text(11);
    r.ItsActual = text(12);
    r.ItsUse = text(13);
    r.Note = text(14);
    out.push_back(std::move(r));
  }
  return out;
}

namespace {

// A store of this many records or more is read by several threads, each taking
// at least this many; a few threads at most. The store is cut into a few parts
// a thread, which the threads take one after another as they get to them, so
// that a thread the system holds back leaves its parts to the others.
constexpr size_t kRecordsPerThread = 4096;
constexpr size_t kMaxThreads = 4;
constexpr size_t kPartsPerThread = 4;
// How many records ahead of the one being read the next ones are fetched.
constexpr size_t kPrefetchAhead = 4;

// Records [Begin, End) of the store, read by one thread: their lines go into
// Lines, their keys and where their lines start into the shared arrays.
struct TStorePart {
  size_t Begin = 0;
  size_t End = 0;
  AnsiString Lines;
  TStoredTexts Texts;
  std::exception_ptr Error;
};

void ReadStorePart(const TRecordsListEh* List, const std::vector<Integer>& c, TStorePart& Part,
                   std::vector<TResourceTreeKey>& Keys, std::vector<size_t>& LineStart) {
  try {
    AnsiString& lines = Part.Lines;
    TStoredTexts& texts = Part.Texts;
    size_t used = 0;
    // Reserved for lines of a usual length and sized a step ahead of the
    // writing, so that the bytes are cleared once and only where lines go.
    lines.reserve((Part.End - Part.Begin) * 128);
    // The records (their values behind them) lie all over the heap, and
    // waiting for them is most of the reading: each record is asked for a few
    // records ahead, and the rest of its values once the record itself has come.
    const std::vector<TMemoryRecordEh*>& records = List->GetActiveList();
    for (size_t i = Part.Begin; i < Part.End; ++i) {
      if (i + 2 * kPrefetchAhead < Part.End) __builtin_prefetch(records[i + 2 * kPrefetchAhead]);
      if (i + kPrefetchAhead < Part.End) {
        const TRecDataValues ahead = records[i + kPrefetchAhead]->GetData();
        const char* values = reinterpret_cast<const char*>(ahead.data());
        for (size_t at = 0; at < ahead.size() * sizeof(TRecValueEh); at += 64) __builtin_prefetch(values + at);
      }
      const TRecDataValues data = records[i]->GetData();
      const TResourceLineView line{.ID_THIS = StoredInteger(data, c[0]),
                                   .ID_PARENT = StoredInteger(data, c[1]),
                                   .ID_TYPE = StoredInteger(data, c[2]),
                                   .NPP = StoredInteger(data, c[3]),
                                   .PORT = StoredInteger(data, c[7]),
                                   .NAME_THIS = texts.Of(data, c[4]),
                                   .ItsActual = texts.Of(data, c[12]),
                                   .ItsUse = texts.Of(data, c[13]),
                                   .Database = texts.Of(data, c[5]),
                                   .URL = texts.Of(data, c[6]),
                                   .Syntax = texts.Of(data, c[8]),
                                   .Encoding = texts.Of(data, c[9]),
                                   .Username = texts.Of(data, c[10]),
                                   .PSW = texts.Of(data, c[11]),
                                   .Note = texts.Of(data, c[14])};
      Keys[i] = {line.ID_THIS, line.ID_PARENT, line.NPP, line.NAME_THIS};
      const size_t bound = ResourceLineBound(line);
      if (lines.size() - used < bound) {
        const size_t want = used + bound + 65536;
        if (want > lines.capacity()) lines.reserve(std::max(want, 2 * lines.capacity()));
        lines.resize(want);
      }
      LineStart[i] = used;
      used = static_cast<size_t>(WriteResourceLineBytes(lines.data() + used, line) - lines.data());
    }
    lines.resize(used);
  } catch (...) {
    Part.Error = std::current_exception();
  }
}

}  // namespace

std::vector<std::string_view> TResourceTable::ResourceListPieces(const std::function<void(Integer Percent)>& Progress,
                                                                 std::vector<AnsiString>& Buffers) const {
  const TRecordsListEh* list = MemTableEh_Tree->GetRecordsData()->GetRecordsList();
  const size_t count = static_cast<size_t>(list->GetCount());
  std::vector<Integer> c;
  MemTableEh_Tree->GetRecordsData()->GetDataStruct()->GetFieldIndexes(kAllFields, c);

  // One pass over the store reads the values in place, keeps what the tree
  // order needs and writes each record's line: the store is far larger than
  // the file, and reading it is most of the cost, so a large store is read in
  // parts by threads of their own. Nothing changes the store meanwhile: no
  // messages run until every part is read.
  std::vector<TResourceTreeKey> keys(count);
  std::vector<size_t> lineStart(count);
  const size_t threads = ThreadsFor(count, kRecordsPerThread, kMaxThreads);
  std::vector<TStorePart> parts = CutIntoParts<TStorePart>(count, threads, kPartsPerThread);
  const size_t partCount = parts.size();
  RunPartsOnThreads(parts.size(), threads, [&](size_t p) { ReadStorePart(list, c, parts[p], keys, lineStart); });
  for (const TStorePart& part : parts)
    if (part.Error) std::rethrow_exception(part.Error);

  // The file is the lines in tree order, each a piece of its part's buffer;
  // lines that follow one another there make one piece. A list the program
  // saved and loaded back is a piece a part.
  Buffers.assign(partCount + 1, AnsiString());
  Buffers[0] = ResourceListHeadBytes();
  for (size_t p = 0; p < partCount; ++p) Buffers[p + 1] = std::move(parts[p].Lines);
  std::vector<std::string_view> pieces;
  pieces.emplace_back(Buffers[0]);
  for (size_t i : ResourceTreeOrderPositions(keys)) {
    // The parts are of equal size, give or take a record.
    size_t p = std::min(partCount - 1, i * partCount / count);
    while (i < parts[p].Begin) --p;
    while (i >= parts[p].End) ++p;
    const AnsiString& lines = Buffers[p + 1];
    const char* begin = lines.data() + lineStart[i];
    const char* end = i + 1 < parts[p].End ? lines.data() + lineStart[i + 1] : lines.data() + lines.size();
    if (pieces.back().data() + pieces.back().size() == begin)
      pieces.back() = std::string_view(pieces.back().data(), pieces.back().size() + static_cast<size_t>(end - begin));
    else pieces.emplace_back(begin, static_cast<size_t>(end - begin));
  }

  // The wait window follows the records, and messages run, once nothing reads
  // the store any more.
  Integer shown = -1;
  for (size_t k = 0; k < count && Progress; ++k) {
    const Integer percent = static_cast<Integer>(static_cast<unsigned long long>(k + 1) * 100 / count);
    if (percent != shown) Progress(percent);
    shown = percent;
  }
  return pieces;
}

bool TResourceTable::SaveResourceList(const String& SettingsFolder, const TResourceListWait& Wait,
                                      const TFolderProbe& Probe) {
  if (FFileUnread || !IsSettingsFolderWritable(SettingsFolder, Probe) || !MemTableEh_Tree->GetActive()) return false;
  TBusyCursor busy;
  if (Wait.Show) Wait.Show(340, u"Выгрузка ресурсов Z39.50", u"Идет подготовка для сохранения в файл");
  Call(Wait.Pump);

  const bool treeWasOn = MemTableEh_Tree->GetTreeList()->GetActive();

  // Every record of the store goes out in tree order, read from the store
  // itself, so records under a collapsed group or hidden by a filter are never
  // lost by a save, and the table's filtering need not change for it.
  std::vector<AnsiString> lines;
  const std::vector<std::string_view> bytes = ResourceListPieces(
      [&](Integer Percent) {
        if (Wait.SetProgress) Wait.SetProgress(Percent);
        Call(Wait.Pump);
      },
      lines);
  if (Wait.SetMessage) Wait.SetMessage(u"Идет сохранение в файл");
  Call(Wait.Pump);
  struct TRestore {
    TResourceTable& T;
    bool TreeWasOn;
    const TResourceListWait& W;
    ~TRestore() {
      Call(W.Normal);
      if (!TreeWasOn) T.SwitchTreeOn();
    }
  } restore{*this, treeWasOn, Wait};
  // What a save killed part-way left beside the list goes with this one.
  RemoveLeftoverTempFiles(ResourceListFileName(SettingsFolder));
  WriteFilePiecesAtomic(ResourceListFileName(SettingsFolder), bytes);
  FUnsavedChanges = false;
  if (Wait.SetProgress) Wait.SetProgress(100);
  Call(Wait.Pump);
  if (Wait.SetMessage) Wait.SetMessage(u"Готово");
  Call(Wait.Pump);
  return true;
}

bool TResourceTable::ResourceToConnectionParams(Integer Id, TStrings* Params, bool ClearFirst) {
  if (!Params) return false;
  if (ClearFirst) Params->Clear();
  if (Id <= 0) return false;
  // Looked up through the second cursor: a run reads resources while the
  // editor is open, and the row the user chose there must stay chosen.
  if (!LocateInBuf(Id)) return false;
  const TMemoryRecordEh* rec = MemTableEh_Buf->GetCurrentRecord();
  if (!rec) return false;

  // The values read in place, as RecordText and RecordInteger read them: a
  // run reads a resource every tick, and a Variant and a copy of each value
  // would cost more than the reading.
  const TRecDataValues data = rec->GetData();
  TStoredTexts texts;
  const std::vector<Integer>& c = FConnectionColumns;
  auto text = [&](size_t Field) { return Trim(texts.Of(data, c[Field])); };

  const String database = text(0);
  if (database.empty()) return false;
  using P = TConnectionParams;
  Params->SetValue(P::ID_THIS, IntToStr(Id));
  Params->SetValue(P::zDatabase, database);
  const String host = text(1);
  if (host.empty()) return false;
  Params->SetValue(P::zHost, host);
  const Integer port = StoredInteger(data, c[2]);
  if (port <= 0) return false;
  Params->SetValue(P::zPORT, IntToStr(port));
  const String syntax = text(3);
  if (syntax.empty()) return false;
  Params->SetValue(P::zSyntax, syntax);
  // SetValue with an empty text drops the name, which is what "only when
  // present" asks for.
  const String encoding = text(4);
  if (!encoding.empty()) Params->SetValue(P::zEncoding, encoding);
  const String user = text(5);
  if (!user.empty()) Params->SetValue(P::zUsername, user);
  const String password = text(6);
  if (!password.empty()) Params->SetValue(P::zPassword, password);
  return true;
}

Integer TResourceTable::MaxResourceId() {
  MemTableEh_Buf->Close();
  MemTableEh_Buf->SetFiltered(false);
  MemTableEh_Buf->SetFilter(String());
  MemTableEh_Buf->SetSortOrder(u"ID_THIS");
  MemTableEh_Buf->Open();
  MemTableEh_Buf->Last();
  const Integer result = RecordInteger(MemTableEh_Buf->GetCurrentRecord(), u"ID_THIS");
  MemTableEh_Buf->SetSortOrder(String());
  return result;
}

Integer TResourceTable::MaxNpp(Integer /*ParentId*/) {
  MemTableEh_Buf->Close();
  MemTableEh_Buf->SetFiltered(false);
  MemTableEh_Buf->SetFilter(String());
  MemTableEh_Buf->SetFiltered(true);
  MemTableEh_Buf->SetSortOrder(u"NPP");
  MemTableEh_Buf->Open();
  MemTableEh_Buf->Last();
  const Integer result = RecordInteger(MemTableEh_Buf->GetCurrentRecord(), u"NPP");
  MemTableEh_Buf->SetSortOrder(String());
  MemTableEh_Buf->SetFiltered(false);
  MemTableEh_Buf->SetFilter(String());
  return result;
}

std::vector<TMemoryRecordEh*> TResourceTable::Subtree(TMemoryRecordEh* Rec) const {
  std::vector<TMemoryRecordEh*> out{Rec};
  TRecordsViewEh* view = MemTableEh_Tree->GetRecordsView();
  if (view->GetTreeMode()) {
    if (TMemRecViewEh* node = view->GetTreeList()->NodeOfRecord(Rec))
      view->GetTreeList()->CollectRecords(out, node, true);
    return out;
  }
  // The flat list keeps no tree: the parent of a record is the record of its
  // parent key that comes first in the store, as the tree would place it.
  TRecordsListEh* list = MemTableEh_Tree->GetRecordsData()->GetRecordsList();
  std::vector<Integer> c;
  MemTableEh_Tree->GetRecordsData()->GetDataStruct()->GetFieldIndexes(u"ID_THIS;ID_PARENT", c);
  std::unordered_map<Integer, TMemoryRecordEh*> firstOfKey;
  std::vector<TMemoryRecordEh*> live;
  live.reserve(static_cast<size_t>(list->GetCount()));
  for (Integer i = 0; i < list->GetCount(); ++i) {
    TMemoryRecordEh* r = list->GetRecord(i);
    if (r->GetUpdateStatus() == rusDeletedEh) continue;
    live.push_back(r);
    firstOfKey.emplace(StoredInteger(r->GetData(), c[0]), r);
  }
  std::unordered_multimap<TMemoryRecordEh*, TMemoryRecordEh*> childrenOf;
  for (TMemoryRecordEh* r : live) {
    const auto parent = firstOfKey.find(StoredInteger(r->GetData(), c[1]));
    if (parent != firstOfKey.end() && parent->second != r) childrenOf.emplace(parent->second, r);
  }
  // Parent keys may run in a circle: each record is taken once.
  std::unordered_set<TMemoryRecordEh*> taken{Rec};
  for (size_t i = 0; i < out.size(); ++i) {
    auto [from, to] = childrenOf.equal_range(out[i]);
    for (auto it = from; it != to; ++it)
      if (taken.insert(it->second).second) out.push_back(it->second);
  }
  return out;
}

Integer TResourceTable::DeleteCurrentSubtree() {
  TMemoryRecordEh* current = MemTableEh_Tree->GetActive() ? MemTableEh_Tree->GetCurrentRecord() : nullptr;
  if (!current) return 0;
  const std::vector<TMemoryRecordEh*> doomed = Subtree(current);
  const std::unordered_set<TMemoryRecordEh*> gone(doomed.begin(), doomed.end());

  // Where the cursor goes: the first row after the current one that stays,
  // else the last one before it.
  TRecordsViewEh* view = MemTableEh_Tree->GetRecordsView();
  const Integer rows = view->ViewCount();
  const Integer row = MemTableEh_Tree->GetCursorRow();
  TMemoryRecordEh* next = nullptr;
  for (Integer i = row + 1; i < rows && !next; ++i)
    if (!gone.count(view->ViewRecord(i))) next = view->ViewRecord(i);
  for (Integer i = std::min(row, rows) - 1; i >= 0 && !next; --i)
    if (!gone.count(view->ViewRecord(i))) next = view->ViewRecord(i);

  // One change of the whole list: the views and indexes are rebuilt once,
  // not kept in step with every deletion.
  MemTableEh_Tree->GetRecordsData()->GetRecordsList()->DeleteRecords(doomed);
  FUnsavedChanges = true;
  if (next) MemTableEh_Tree->GotoRecord(next);
  return static_cast<Integer>(doomed.size());
}

bool TResourceTable::LocateInBuf(Integer Id) {
  if (!MemTableEh_Buf->GetActive()) {
    if (!MemTableEh_Tree->GetActive()) return false;
    MemTableEh_Buf->Open();
  }
  return MemTableEh_Buf->Locate(u"ID_THIS", Variant(Id), {});
}

String TResourceTable::BufText(const String& FieldName) const {
  if (!MemTableEh_Buf->GetActive()) return String();
  return RecordText(MemTableEh_Buf->GetCurrentRecord(), FieldName);
}
