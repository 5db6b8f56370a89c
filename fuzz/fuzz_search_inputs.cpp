// Writes fuzz_search's starting inputs, one file a shape, into the folder given
// (fuzz/corpus/fuzz_search): sound answers made with the library's own
// encoder, so their bytes are right, and the damaged, unusual and out-of-turn
// ones made from those by hand. Build and run it from the fuzz build:
//   cmake --build build/fuzz --target fuzz_search_inputs
//   build/fuzz/fuzz/fuzz_search_inputs fuzz/corpus/fuzz_search

#include <yaz/diagbib1.h>
#include <yaz/odr.h>
#include <yaz/oid_db.h>
#include <yaz/proto.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/SearchScript.h"
#include "tests/support/InitGrant.h"
#include "tests/support/MarcRecord.h"

namespace {

using namespace fuzz_search;

// The index of a syntax in kSyntaxes.
constexpr unsigned kUsmarc = 0, kGrs1 = 1, kOpac = 2, kXml = 3, kSutrs = 4;

[[noreturn]] void Die(const char* What) {
  std::fprintf(stderr, "fuzz_search_inputs: %s\n", What);
  std::exit(1);
}

// An encoding stream whose memory holds the structures built in it.
class TEnc {
public:
  TEnc() : FO(odr_createmem(ODR_ENCODE)) {}
  ~TEnc() { odr_destroy(FO); }
  TEnc(const TEnc&) = delete;
  TEnc& operator=(const TEnc&) = delete;
  operator ODR() const { return FO; }

  template <class T>
  T* New() {
    auto* p = static_cast<T*>(odr_malloc(FO, sizeof(T)));
    std::memset(p, 0, sizeof(T));
    return p;
  }
  Odr_oct* Oct(std::string_view B) { return odr_create_Odr_oct(FO, B.data(), static_cast<int>(B.size())); }
  Odr_int* Int(Odr_int V) { return odr_intdup(FO, V); }

  // The answer's bytes, which the library's decoder reads back.
  std::string Take(Z_APDU* A) {
    if (!z_APDU(FO, &A, 0, nullptr)) Die("an answer cannot be encoded");
    std::string b = Buffer();
    ODR d = odr_createmem(ODR_DECODE);
    odr_setbuf(d, b.data(), static_cast<int>(b.size()), 0);
    Z_APDU* back = nullptr;
    const bool read = z_APDU(d, &back, 0, nullptr) && back;
    odr_destroy(d);
    if (!read) Die("an answer the library encoded cannot be decoded");
    return b;
  }
  std::string Take(Z_External* E) {
    if (!z_External(FO, &E, 0, nullptr)) Die("an EXTERNAL cannot be encoded");
    return Buffer();
  }

private:
  std::string Buffer() {
    int len = 0;
    const char* b = odr_getbuf(FO, &len, nullptr);
    return std::string(b, static_cast<std::size_t>(len));
  }
  ODR FO;
};

std::string MarcNo(int N) {
  return MarcRecord({{"001", "rec" + std::to_string(N)}, {"245", "10$aTitle " + std::to_string(N)}});
}

// --- Structures, built with the library's types --------------------------------

Z_External* MarcExternal(TEnc& E, const std::string& Bytes) {
  auto* x = E.New<Z_External>();
  x->direct_reference = odr_oiddup(E, yaz_oid_recsyn_usmarc);
  x->which = Z_External_octet;
  x->u.octet_aligned = E.Oct(Bytes);
  return x;
}

Z_NamePlusRecord* Named(TEnc& E, Z_External* X) {
  auto* n = E.New<Z_NamePlusRecord>();
  n->which = Z_NamePlusRecord_databaseRecord;
  n->u.databaseRecord = X;
  return n;
}

Z_Records* List(TEnc& E, const std::vector<Z_NamePlusRecord*>& Records) {
  auto* l = E.New<Z_NamePlusRecordList>();
  l->num_records = static_cast<int>(Records.size());
  l->records = static_cast<Z_NamePlusRecord**>(odr_malloc(E, sizeof(Z_NamePlusRecord*) * (Records.size() + 1)));
  for (std::size_t i = 0; i < Records.size(); ++i) l->records[i] = Records[i];
  auto* r = E.New<Z_Records>();
  r->which = Z_Records_DBOSD;
  r->u.databaseOrSurDiagnostics = l;
  return r;
}

std::vector<Z_NamePlusRecord*> MarcRecords(TEnc& E, int First, int Count) {
  std::vector<Z_NamePlusRecord*> v;
  for (int i = First; i < First + Count; ++i) v.push_back(Named(E, MarcExternal(E, MarcNo(i))));
  return v;
}

std::string InitAnswer() {
  TEnc e;
  Z_APDU* a = zget_APDU(e, Z_APDU_initResponse);
  Z_InitResponse* ir = a->u.initResponse;
  GrantSearchAndPresent(ir);
  return e.Take(a);
}

// A search answer of Hits hits with Records, or none.
std::string SearchAnswer(TEnc& E, Odr_int Hits, Z_Records* Records, int Returned) {
  Z_APDU* a = zget_APDU(E, Z_APDU_searchResponse);
  Z_SearchResponse* s = a->u.searchResponse;
  *s->resultCount = Hits;
  *s->numberOfRecordsReturned = Returned;
  *s->nextResultSetPosition = Returned + 1;
  s->records = Records;
  return E.Take(a);
}
std::string SearchAnswer(Odr_int Hits, int First, int Count) {
  TEnc e;
  return SearchAnswer(e, Hits, Count > 0 ? List(e, MarcRecords(e, First, Count)) : nullptr, Count);
}

std::string PresentAnswer(TEnc& E, Z_Records* Records, int Returned, int Next) {
  Z_APDU* a = zget_APDU(E, Z_APDU_presentResponse);
  Z_PresentResponse* p = a->u.presentResponse;
  *p->numberOfRecordsReturned = Returned;
  *p->nextResultSetPosition = Next;
  p->records = Records;
  return E.Take(a);
}
std::string PresentAnswer(int First, int Count) {
  TEnc e;
  return PresentAnswer(e, List(e, MarcRecords(e, First, Count)), Count, First + Count);
}

std::string SortAnswer() {
  TEnc e;
  auto* s = e.New<Z_SortResponse>();
  s->sortStatus = e.Int(Z_SortResponse_success);
  auto* a = e.New<Z_APDU>();
  a->which = Z_APDU_sortResponse;
  a->u.sortResponse = s;
  return e.Take(a);
}

std::string ExtendedServicesAnswer() {
  TEnc e;
  auto* s = e.New<Z_ExtendedServicesResponse>();
  s->operationStatus = e.Int(Z_ExtendedServicesResponse_done);
  auto* a = e.New<Z_APDU>();
  a->which = Z_APDU_extendedServicesResponse;
  a->u.extendedServicesResponse = s;
  return e.Take(a);
}

std::string ScanAnswer() {
  TEnc e;
  auto* s = e.New<Z_ScanResponse>();
  s->scanStatus = e.Int(Z_Scan_success);
  s->numberOfEntriesReturned = e.Int(0);
  auto* a = e.New<Z_APDU>();
  a->which = Z_APDU_scanResponse;
  a->u.scanResponse = s;
  return e.Take(a);
}

// GRS-1: a tagged element of numeric tag Tag whose content is Data.
Z_TaggedElement* Element(TEnc& E, int Tag, Z_ElementData* Data) {
  auto* t = E.New<Z_TaggedElement>();
  t->tagType = E.Int(2);
  t->tagValue = E.New<Z_StringOrNumeric>();
  t->tagValue->which = Z_StringOrNumeric_numeric;
  t->tagValue->u.numeric = E.Int(Tag);
  t->content = Data;
  return t;
}
Z_ElementData* OctetsData(TEnc& E, std::string_view B) {
  auto* d = E.New<Z_ElementData>();
  d->which = Z_ElementData_octets;
  d->u.octets = E.Oct(B);
  return d;
}
Z_GenericRecord* Generic(TEnc& E, std::vector<Z_TaggedElement*> Elements) {
  auto* g = E.New<Z_GenericRecord>();
  g->num_elements = static_cast<int>(Elements.size());
  g->elements = static_cast<Z_TaggedElement**>(odr_malloc(E, sizeof(Z_TaggedElement*) * (Elements.size() + 1)));
  for (std::size_t i = 0; i < Elements.size(); ++i) g->elements[i] = Elements[i];
  return g;
}
Z_External* GrsExternal(TEnc& E, Z_GenericRecord* G) {
  auto* x = E.New<Z_External>();
  x->direct_reference = odr_oiddup(E, yaz_oid_recsyn_grs_1);
  x->which = Z_External_grs1;
  x->u.grs1 = G;
  return x;
}

// A GRS-1 record: an element of octets with a variant whose value is octets
// and metadata with nothing in it, and a plain element of octets.
Z_External* GrsWithVariant(TEnc& E, int N) {
  Z_TaggedElement* t = Element(E, 1, OctetsData(E, "title " + std::to_string(N)));
  t->metaData = E.New<Z_ElementMetaData>();
  t->appliedVariant = E.New<Z_Variant>();
  auto* triple = E.New<Z_Triple>();
  triple->zclass = E.Int(2);
  triple->type = E.Int(1);
  triple->which = Z_Triple_octetString;
  triple->value.octetString = E.Oct("utf-8");
  t->appliedVariant->num_triples = 1;
  t->appliedVariant->triples = static_cast<Z_Triple**>(odr_malloc(E, sizeof(Z_Triple*)));
  t->appliedVariant->triples[0] = triple;
  return GrsExternal(E, Generic(E, {t, Element(E, 2, OctetsData(E, "plain"))}));
}

// A GRS-1 record of Depth subtrees one in another, octets at the bottom.
Z_External* GrsNested(TEnc& E, int Depth) {
  Z_GenericRecord* g = Generic(E, {Element(E, 1, OctetsData(E, "deepest"))});
  for (int i = 1; i < Depth; ++i) {
    auto* d = E.New<Z_ElementData>();
    d->which = Z_ElementData_subtree;
    d->u.subtree = g;
    g = Generic(E, {Element(E, 1, d)});
  }
  return GrsExternal(E, g);
}

enum class TOpacEmpty { Holdings, Volumes, Circulation };

Z_External* Opac(TEnc& E, int N, TOpacEmpty Empty) {
  auto* o = E.New<Z_OPACRecord>();
  o->bibliographicRecord = MarcExternal(E, MarcNo(N));
  o->holdingsData = static_cast<Z_HoldingsRecord**>(odr_malloc(E, sizeof(Z_HoldingsRecord*)));
  if (Empty != TOpacEmpty::Holdings) {
    auto* h = E.New<Z_HoldingsRecord>();
    h->which = Z_HoldingsRecord_holdingsAndCirc;
    h->u.holdingsAndCirc = E.New<Z_HoldingsAndCircData>();
    h->u.holdingsAndCirc->callNumber = odr_strdup(E, "QA76");
    if (Empty == TOpacEmpty::Volumes) h->u.holdingsAndCirc->volumes = static_cast<Z_Volume**>(odr_malloc(E, 8));
    else h->u.holdingsAndCirc->circulationData = static_cast<Z_CircRecord**>(odr_malloc(E, 8));
    o->holdingsData[0] = h;
    o->num_holdingsData = 1;
  }
  auto* x = E.New<Z_External>();
  x->direct_reference = odr_oiddup(E, yaz_oid_recsyn_opac);
  x->which = Z_External_OPAC;
  x->u.opac = o;
  return x;
}

// --- Bytes by hand ---------------------------------------------------------------

std::string Hex(std::string_view H) {
  std::string b;
  for (std::size_t i = 0; i + 1 < H.size(); i += 2)
    b += static_cast<char>(std::stoi(std::string(H.substr(i, 2)), nullptr, 16));
  return b;
}

std::string Length(std::size_t N) {
  if (N < 128) return std::string(1, static_cast<char>(N));
  std::string b;
  for (; N > 0; N >>= 8) b.insert(b.begin(), static_cast<char>(N & 0xFF));
  return static_cast<char>(0x80 | b.size()) + b;
}
std::string Tlv(std::string_view Tag, std::string_view Content) {
  return std::string(Tag) + Length(Content.size()) + std::string(Content);
}
// Lengths in the long form with five octets.
std::string Tlv5(std::string_view Tag, std::string_view Content) {
  std::string len = "\x85";
  std::size_t n = Content.size();
  for (int i = 4; i >= 0; --i) len += static_cast<char>((n >> (8 * i)) & 0xFF);
  return std::string(Tag) + len + std::string(Content);
}
std::string Indefinite(std::string_view Tag, std::string_view Content) {
  return std::string(Tag) + "\x80" + std::string(Content) + std::string(2, '\0');
}

// The contents of an element: its bytes after the header.
std::string Contents(std::string_view Element) {
  std::size_t at = 1;
  if ((static_cast<unsigned char>(Element[0]) & 0x1F) == 0x1F)
    while (static_cast<unsigned char>(Element[at++]) & 0x80) {
    }
  const auto first = static_cast<unsigned char>(Element[at++]);
  if (first & 0x80) at += first & 0x7F;
  return std::string(Element.substr(at));
}
// An answer with More added at the end of its contents.
std::string Appended(std::string_view Answer, std::string_view More) {
  std::size_t tag = 1;
  if ((static_cast<unsigned char>(Answer[0]) & 0x1F) == 0x1F)
    while (static_cast<unsigned char>(Answer[tag++]) & 0x80) {
    }
  return Tlv(Answer.substr(0, tag), Contents(Answer) + std::string(More));
}

const std::string kUsmarcOid = Hex("06072a8648ce13050a");
// The fields of a search answer before its records: hits, records returned,
// the next position, status true.
std::string SearchFields(int Hits, int Returned) {
  return Tlv("\x97", std::string(1, static_cast<char>(Hits))) +
         Tlv("\x98", std::string(1, static_cast<char>(Returned))) +
         Tlv("\x99", std::string(1, static_cast<char>(Returned + 1))) + Hex("960101");
}
// A record element holding EXTERNAL contents Inside, by hand.
std::string RecordElement(std::string_view External, std::string_view Name = {}) {
  return Tlv("\x30", std::string(Name) + Tlv("\xa1", Tlv("\xa1", External)));
}

// --- The files -------------------------------------------------------------------

struct TFile {
  std::string Name;
  std::string Bytes;
};

std::string Script(unsigned Syntax, std::size_t Limit, std::initializer_list<std::string> Segments,
                   bool Repeat = false) {
  std::string s = ScriptHead(Repeat, Syntax, Limit);
  for (const std::string& g : Segments) s += g;
  return s;
}
std::string C(std::string_view B, unsigned char Split = 0) { return ScriptSegment('c', B, Split); }
std::string I(std::string_view B, unsigned char Split = 0) { return ScriptSegment('i', B, Split); }
std::string S(std::string_view B, unsigned char Split = 0) { return ScriptSegment('s', B, Split); }
std::string P(std::string_view B, unsigned char Split = 0) { return ScriptSegment('p', B, Split); }

std::vector<TFile> Files() {
  const std::string init = InitAnswer();
  const std::string search3 = SearchAnswer(3, 1, 3);
  const std::string searchNone3 = SearchAnswer(3, 1, 0);
  const std::string present3 = PresentAnswer(1, 3);
  const std::string presentOne = PresentAnswer(1, 1);
  const std::string sort = SortAnswer();
  const std::string es = ExtendedServicesAnswer();
  const std::string scan = ScanAnswer();
  const std::string searchOutOfTurn = Hex("b70e970100980100990101960101bc00");
  const std::string initOutOfTurn = Hex("b515830205e0840206c0850301000086030100008c0101");
  std::vector<TFile> f;

  // Sound searches.
  f.push_back({"sound-three-records-in-search-answer", Script(kUsmarc, 10, {I(init), S(search3), P(present3)})});
  f.push_back({"sound-three-records-in-present-answer", Script(kUsmarc, 10, {I(init), S(searchNone3), P(present3)})});
  f.push_back({"sound-twenty-five-records-in-two-pieces",
               Script(kUsmarc, 25, {I(init), S(SearchAnswer(25, 1, 10)), P(PresentAnswer(11, 15))})});
  f.push_back({"sound-answers-in-pieces-with-pauses",
               Script(kUsmarc, 10, {I(init, 0x40 | 7), S(search3, 0x40 | 13), P(present3, 5)})});
  f.push_back({"search-zero-hits", Script(kUsmarc, 10, {I(init), S(SearchAnswer(0, 1, 0))})});
  {
    TEnc e;
    auto* r = e.New<Z_Records>();
    r->which = Z_Records_NSD;
    r->u.nonSurrogateDiagnostic = zget_DefaultDiagFormat(e, YAZ_BIB1_UNSUPP_USE_ATTRIBUTE, "4");
    Z_APDU* a = zget_APDU(e, Z_APDU_searchResponse);
    *a->u.searchResponse->searchStatus = 0;
    a->u.searchResponse->records = r;
    f.push_back({"search-nonsurrogate-diagnostic", Script(kUsmarc, 10, {I(init), S(e.Take(a))})});
  }
  {
    TEnc e;
    std::vector<Z_NamePlusRecord*> v = MarcRecords(e, 1, 1);
    v.push_back(zget_surrogateDiagRec(e, "Default", YAZ_BIB1_RECORD_NO_AUTHORIZED_TO_BE_SENT_INTERSYSTEM, "rights"));
    v.push_back(Named(e, MarcExternal(e, MarcNo(3))));
    f.push_back({"present-surrogate-diagnostic-record",
                 Script(kUsmarc, 10, {I(init), S(searchNone3), P(PresentAnswer(e, List(e, v), 3, 4))})});
  }

  {
    // The library's encoder gives the answer and its records list indefinite
    // lengths; a server may as well give definite ones.
    std::string records;
    for (int i = 1; i <= 3; ++i) records += RecordElement(Tlv("\x28", kUsmarcOid + Tlv("\x81", MarcNo(i))));
    f.push_back({"sound-three-records-definite-lengths",
                 Script(kUsmarc, 10, {I(init), S(Tlv("\xb7", SearchFields(3, 3) + Tlv("\xbc", records)))})});
  }

  // Empty lists the library's decoder takes.
  f.push_back(
      {"search-empty-otherinfo-after-records", Script(kUsmarc, 10, {I(init), S(Appended(search3, Hex("bf814900")))})});
  f.push_back({"search-empty-additional-search-info",
               Script(kUsmarc, 10, {I(init), S(Hex("b710970100980100990100960101bf814b00"))})});
  f.push_back({"search-records-then-empty-additional-search-info",
               Script(kUsmarc, 10, {I(init), S(Appended(search3, Hex("bf814b00")))})});
  f.push_back({"init-empty-otherinfo", Script(kUsmarc, 10, {I(Appended(init, Hex("bf814900"))), S(search3)})});

  // Records in other syntaxes and forms.
  {
    TEnc e;
    const std::string a =
        SearchAnswer(e, 2, List(e, {Named(e, GrsWithVariant(e, 1)), Named(e, GrsWithVariant(e, 2))}), 2);
    if (a.find(Hex("a500")) == std::string::npos) Die("the GRS-1 record has no empty metadata");
    f.push_back({"grs1-octets-variant-empty-metadata", Script(kGrs1, 10, {I(init), S(a)})});
  }
  {
    TEnc e;
    f.push_back({"grs1-nested-30-deep",
                 Script(kGrs1, 10, {I(init), S(SearchAnswer(e, 1, List(e, {Named(e, GrsNested(e, 30))}), 1))})});
  }
  const struct {
    const char* Name;
    TOpacEmpty Empty;
    const char* Mark;
  } opacs[] = {{"opac-empty-holdings", TOpacEmpty::Holdings, "a200"},
               {"opac-empty-volumes", TOpacEmpty::Volumes, "b200"},
               {"opac-empty-circulation", TOpacEmpty::Circulation, "b300"}};
  for (const auto& o : opacs) {
    TEnc e;
    const std::string a =
        SearchAnswer(e, 2, List(e, {Named(e, Opac(e, 1, o.Empty)), Named(e, Opac(e, 2, o.Empty))}), 2);
    if (a.find(Hex(o.Mark)) == std::string::npos) Die("an OPAC record has not the empty list it is made for");
    f.push_back({o.Name, Script(kOpac, 10, {I(init), S(a)})});
  }
  {
    TEnc e;
    auto* frag = e.New<Z_FragmentSyntax>();
    frag->which = Z_FragmentSyntax_notExternallyTagged;
    frag->u.notExternallyTagged = e.Oct(MarcNo(1));
    auto* n = e.New<Z_NamePlusRecord>();
    n->which = Z_NamePlusRecord_startingFragment;
    n->u.startingFragment = frag;
    std::vector<Z_NamePlusRecord*> v{n};
    v.push_back(Named(e, MarcExternal(e, MarcNo(2))));
    f.push_back({"record-starting-fragment", Script(kUsmarc, 10, {I(init), S(SearchAnswer(e, 2, List(e, v), 2))})});
  }
  {
    TEnc e;
    auto* x = e.New<Z_External>();
    x->direct_reference = odr_oiddup(e, yaz_oid_recsyn_usmarc);
    x->which = Z_External_single;
    const std::string octets = Tlv("\x04", MarcNo(1));
    x->u.single_ASN1_type = e.Oct(octets);
    std::vector<Z_NamePlusRecord*> v{Named(e, x), Named(e, MarcExternal(e, MarcNo(2)))};
    f.push_back({"record-single-asn1-octets", Script(kUsmarc, 10, {I(init), S(SearchAnswer(e, 2, List(e, v), 2))})});
  }

  // Answers out of turn.
  const std::pair<const char*, std::string> others[] = {
      {"search", searchOutOfTurn}, {"present", presentOne}, {"sort", sort}, {"extended-services", es}};
  for (const auto& [name, answer] : others) {
    f.push_back({std::string("init-answered-by-") + name, Script(kUsmarc, 10, {I(answer), S(search3)})});
    f.push_back({std::string("connect-") + name + "-answer", Script(kUsmarc, 10, {C(answer), I(init), S(search3)})});
  }
  const std::pair<const char*, std::string> searchOthers[] = {
      {"init", initOutOfTurn}, {"sort", sort}, {"present", presentOne}, {"scan", scan}};
  for (const auto& [name, answer] : searchOthers)
    f.push_back({std::string("search-answered-by-") + name, Script(kUsmarc, 10, {I(init), S(answer), P(present3)})});
  // The same with every request after answered so: a search that asks on and on.
  f.push_back({"search-answered-by-sort-repeated", Script(kUsmarc, 5, {I(init), S(sort)}, true)});
  f.push_back({"search-answered-by-present-repeated", Script(kUsmarc, 5, {I(init), S(presentOne)}, true)});
  f.push_back({"present-answered-without-records-repeated",
               Script(kUsmarc, 20, {I(init), S(SearchAnswer(20, 1, 0)), P(PresentAnswer(1, 0))}, true)});
  f.push_back({"init-answered-twice-in-one-send", Script(kUsmarc, 10, {I(init + init), S(search3)})});

  // A sound search answer and more bytes in the same send.
  f.push_back({"search-then-crlf", Script(kUsmarc, 10, {I(init), S(search3 + "\r\n")})});
  f.push_back({"search-then-two-zeros", Script(kUsmarc, 10, {I(init), S(search3 + std::string(2, '\0'))})});
  f.push_back({"search-then-ssh-line", Script(kUsmarc, 10, {I(init), S(search3 + "SSH-2.0-Server\r\n")})});

  // Damaged and unusual encodings.
  f.push_back({"search-header-past-its-element", Script(kUsmarc, 10, {I(init), S(Hex("b7079702012c988400"))})});
  {
    TEnc e;
    const std::string ext = Contents(e.Take(MarcExternal(e, MarcNo(1))));
    const std::string rec = RecordElement(Tlv("\x28", ext), Hex("a0050403446566"));
    f.push_back({"record-database-name-constructed",
                 Script(kUsmarc, 10, {I(init), S(Tlv("\xb7", SearchFields(1, 1) + Tlv("\xbc", rec)))})});
  }
  {
    const std::string ext = kUsmarcOid + Hex("3900") + Tlv("\x81", MarcNo(1));
    f.push_back({"external-descriptor-empty-constructed",
                 Script(kUsmarc, 10,
                        {I(init), S(Tlv("\xb7", SearchFields(1, 1) + Tlv("\xbc", RecordElement(Tlv("\x28", ext)))))})});
  }
  {
    const std::string ext = Tlv5("\x28", kUsmarcOid + Tlv5("\x81", MarcNo(1)));
    const std::string rec = Tlv5("\x30", Tlv5("\xa1", Tlv5("\xa1", ext)));
    f.push_back({"search-five-octet-lengths",
                 Script(kUsmarc, 10, {I(init), S(Tlv5("\xb7", SearchFields(1, 1) + Tlv5("\xbc", rec)))})});
  }
  std::string indefiniteRecords;
  for (int i = 1; i <= 2; ++i)
    indefiniteRecords += Indefinite(
        "\x30", Indefinite("\xa1", Indefinite("\xa1", Indefinite("\x28", kUsmarcOid + Tlv("\x81", MarcNo(i))))));
  const std::string indefiniteAnswer = Indefinite("\xb7", SearchFields(2, 2) + Indefinite("\xbc", indefiniteRecords));
  f.push_back({"search-indefinite-lengths", Script(kUsmarc, 10, {I(init), S(indefiniteAnswer)})});
  {
    std::string cut =
        Hex("b780") + SearchFields(2, 2) + Hex("bc80") +
        Indefinite("\x30",
                   Indefinite("\xa1", Indefinite("\xa1", Indefinite("\x28", kUsmarcOid + Tlv("\x81", MarcNo(1)))))) +
        Hex("3080a080a180");
    f.push_back({"search-cut-in-indefinite-headers", Script(kUsmarc, 10, {I(init), S(cut)})});
  }

  // Strings in pieces: octets and bits the library reads as no value, a
  // character string it cannot take.
  const std::string grs1Oid = Hex("06072a8648ce130569"), sutrsOid = Hex("06072a8648ce130565"),
                    xmlOid = Hex("06082a8648ce13056d0a"), opacOid = Hex("06072a8648ce130566");
  // A record element of an EXTERNAL of the given contents.
  auto Ext = [](std::string_view Contents) { return RecordElement(Tlv("\x28", Contents)); };
  auto pieces = [](std::string_view Identifier, std::string_view A, std::string_view B) {
    return Indefinite(Identifier, Tlv("\x04", A) + Tlv("\x04", B));
  };
  f.push_back({"grs1-octets-in-pieces",
               Script(kGrs1, 10,
                      {I(init), S(Hex("b740970101980101990102960101bc323030a12ea12c282a06072a8648ce130569a01f301d301b81"
                                      "0102a20781057469746c65a40d240b0404412074690403746c65"))})});
  f.push_back(
      {"init-user-information-octets-in-pieces",
       Script(kUsmarc, 10,
              {I(Hex("b52e830205e0840206c0850301000086030100008c0101ab17281506072a8648ce130a03a18004026162040263"
                     "640000")),
               S(search3)})});
  {
    auto grs1 = [&](std::string_view Value, std::string_view Extra) {
      const std::string element =
          Tlv("\x30", Hex("810102") + Tlv("\xa2", Tlv("\x81", "title")) + Tlv("\xa4", Value) + std::string(Extra));
      return Ext(grs1Oid + Tlv("\xa0", Tlv("\x30", element)));
    };
    const std::string records =
        grs1(pieces("\x24", "ab", "cd"), "") +
        grs1(Tlv("\x1b", "text"),
             Tlv("\xa6", Tlv("\xa2", Tlv("\x30", Hex("810101820101") + Tlv("\xa3", pieces("\x24", "ab", "c")))))) +
        grs1(Tlv("\x28", kUsmarcOid + pieces("\xa1", "ab", "cd")), "");
    f.push_back({"grs1-variant-and-external-octets-in-pieces",
                 Script(kGrs1, 10, {I(init), S(Tlv("\xb7", SearchFields(3, 3) + Tlv("\xbc", records)))})});
  }
  {
    const std::string records = Ext(sutrsOid + Tlv("\xa0", Tlv("\x1b", "Sutrs 1"))) +
                                Ext(sutrsOid + Tlv("\xa0", pieces("\x3b", "Sutrs", " 2"))) +
                                Ext(sutrsOid + Tlv("\xa0", Tlv("\x1b", "Sutrs 3")));
    f.push_back({"sutrs-text-in-pieces",
                 Script(kSutrs, 10, {I(init), S(Tlv("\xb7", SearchFields(3, 3) + Tlv("\xbc", records)))})});
    const std::string two = Ext(sutrsOid + Tlv("\xa0", Tlv("\x1b", "Sutrs record 1"))) +
                            Ext(sutrsOid + Tlv("\xa0", Tlv("\x1b", "Sutrs record 2")));
    f.push_back(
        {"sutrs-then-otherinfo-text-in-pieces",
         Script(kSutrs, 10,
                {I(init), S(Tlv("\xb7", SearchFields(2, 2) + Tlv("\xbc", two) + Hex("bf8149073005a203040178")))})});
    const std::string cut = Tlv("\xb7", SearchFields(2, 2) + Tlv("\xbc", two));
    f.push_back({"sutrs-closing-after-first-record",
                 Script(kSutrs, 10, {I(init), S(cut.substr(0, cut.find(two) + two.size() / 2 + 3))})});
  }
  {
    const std::string records = Ext(xmlOid + Tlv("\x81", "<a/>")) + Ext(xmlOid + pieces("\xa1", "<b", "/>"));
    f.push_back({"xml-octets-in-pieces",
                 Script(kXml, 10, {I(init), S(Tlv("\xb7", SearchFields(2, 2) + Tlv("\xbc", records)))})});
    const std::string marc = Ext(kUsmarcOid + Tlv("\x81", MarcNo(1))) + Ext(kUsmarcOid + Tlv("\x81", MarcNo(2))) +
                             Ext(kUsmarcOid + pieces("\xa1", MarcNo(3).substr(0, 9), MarcNo(3).substr(9)));
    f.push_back({"records-then-octets-in-pieces",
                 Script(kUsmarc, 10, {I(init), S(Tlv("\xb7", SearchFields(3, 3) + Tlv("\xbc", marc)))})});
    const std::string opac =
        Ext(opacOid + Tlv("\xa0", Tlv("\x30", Tlv("\xa1", kUsmarcOid + pieces("\xa1", "00026", "nam")) + Hex("a200"))));
    f.push_back({"opac-octets-in-pieces",
                 Script(kOpac, 10, {I(init), S(Tlv("\xb7", SearchFields(1, 1) + Tlv("\xbc", opac)))})});
  }
  {
    // GRS-1 in indefinite lengths: three records cut in the answer's last
    // end-of-contents, and one nested deeper than the library's framing
    // follows a chain of them.
    auto element = [](std::string_view Value) {
      return Indefinite("\x30", Hex("810102") + Indefinite("\xa2", Tlv("\x81", "title")) + Indefinite("\xa4", Value));
    };
    auto record = [&](std::string_view Generic) {
      return Indefinite(
          "\x30", Indefinite("\xa1", Indefinite("\xa1", Indefinite("\x28", grs1Oid + Indefinite("\xa0", Generic)))));
    };
    std::string three;
    for (int i = 1; i <= 3; ++i)
      three += record(Indefinite("\x30", element(Tlv("\x04", "record " + std::to_string(i)))));
    const std::string answer = Indefinite("\xb7", SearchFields(3, 3) + Indefinite("\xbc", three));
    f.push_back({"grs1-indefinite-cut-in-last-end-of-contents",
                 Script(kGrs1, 10, {I(init), S(answer.substr(0, answer.size() - 1))})});
    std::string nested = Indefinite("\x30", element(Tlv("\x04", "leaf")));
    for (int i = 1; i < 300; ++i) nested = Indefinite("\x30", element(Indefinite("\xa6", nested)));
    f.push_back(
        {"grs1-nested-300-deep-indefinite",
         Script(kGrs1, 10, {I(init), S(Indefinite("\xb7", SearchFields(1, 1) + Indefinite("\xbc", record(nested))))})});
  }
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) Die("usage: fuzz_search_inputs FOLDER");
  for (const TFile& file : Files()) {
    std::ofstream out(std::string(argv[1]) + "/" + file.Name, std::ios::binary);
    out.write(file.Bytes.data(), static_cast<std::streamsize>(file.Bytes.size()));
    if (!out) Die("a file cannot be written");
  }
  return 0;
}
