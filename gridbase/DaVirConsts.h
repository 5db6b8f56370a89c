#pragma once
// The library's user messages: operator names, filter drop-down items, menu items,
// import messages and the filter-row parser's texts. Each has a fixed identifier in
// the program's string table (platform/core/ResStrings.h) and is read through it,
// so a caller can keep the number and localisation can swap the texts without
// touching code. 65096 is the in-memory table's own (memtable/MemTableEh.h).

#include "platform/core/Types.h"

// Filter-row parser messages; the offending text follows them.
constexpr int SQuoteIsAbsentEh = 65088;
constexpr int SLeftBracketExpectedEh = 65089;
constexpr int SRightBracketExpectedEh = 65090;
constexpr int SErrorInExpressionEh = 65091;
constexpr int SUnexpectedExpressionBeforeNullEh = 65092;
constexpr int SUnexpectedExpressionAfterOperatorEh = 65093;
constexpr int SIncorrectExpressionEh = 65094;
constexpr int SUnexpectedANDorOREh = 65095;
// Operator names of the filter dialogs.
constexpr int SNotEndsWithEh = 65104;
constexpr int SContainsEh = 65105;
constexpr int SNotContainsEh = 65106;
constexpr int SLikeEh = 65107;
constexpr int SNotLikeEh = 65108;
constexpr int SInListEh = 65109;
constexpr int SNotInListEh = 65110;
constexpr int SIsBlankEh = 65111;
constexpr int SIsNotBlankEh = 65112;
// The group panel's hint.
constexpr int SGroupingPanelTextEh = 65113;
// Localised keywords of the filter-row language; 65117 is an empty slot.
constexpr int SNotSignEh = 65114;
constexpr int SAndSignEh = 65115;
constexpr int SOrSignEh = 65116;
constexpr int SEmptyKeywordSlotEh = 65117;
constexpr int SInSignEh = 65118;
constexpr int SNullSignEh = 65119;
// Special items of the filter drop-down list.
constexpr int SNotEmptiesEh = 65120;
constexpr int SAllEh = 65121;
constexpr int SClearFilterEh = 65122;
constexpr int SSortDescendingEh = 65123;
constexpr int SSortAscendingEh = 65124;
constexpr int SApplyFilterEh = 65125;
constexpr int SCustomFilterEh = 65126;
constexpr int SEqualEh = 65127;
constexpr int SNotEqualEh = 65128;
constexpr int SGreaterThanEh = 65129;
constexpr int SGreaterOrEqualEh = 65130;
constexpr int SLessThanEh = 65131;
constexpr int SLessOrEqualEh = 65132;
constexpr int SBeginsWithEh = 65133;
constexpr int SNotBeginsWithEh = 65134;
constexpr int SEndsWithEh = 65135;
// Clearing cells, import and clipboard.
constexpr int SClearSelectedCellsEh = 65139;
constexpr int SInvalidTextFormatEh = 65140;
constexpr int SInvalidVCLDBIFFormatEh = 65141;
constexpr int SErrorDuringInsertValueEh = 65142;
constexpr int SIgnoreErrorEh = 65143;
constexpr int SFieldNameNotFoundEh = 65144;  // "%s" is the field name
// Indicator-title menu items.
constexpr int SVisibleColumnsEh = 65145;
constexpr int SCutEh = 65146;
constexpr int SCopyEh = 65147;
constexpr int SPasteEh = 65148;
constexpr int SDeleteEh = 65149;
constexpr int SSelectAllEh = 65150;
constexpr int SEmptiesEh = 65151;
// The base grid's range and count faults (raised with EInvalidGridOperationEh).
constexpr int SGridIndexOutOfRangeEh = 65152;
constexpr int SFixedColTooBigEh = 65153;
constexpr int SFixedRowTooBigEh = 65154;

// The eighteen operator names in the order the simple filter dialog lists them.
inline constexpr int STFilterOperatorNameIdsEh[18] = {
    SEqualEh,      SNotEqualEh,      SGreaterThanEh, SGreaterOrEqualEh, SLessThanEh, SLessOrEqualEh,
    SBeginsWithEh, SNotBeginsWithEh, SEndsWithEh,    SNotEndsWithEh,    SContainsEh, SNotContainsEh,
    SLikeEh,       SNotLikeEh,       SInListEh,      SNotInListEh,      SIsBlankEh,  SIsNotBlankEh};

// The text of a message by identifier (the program's string table); an
// identifier the table lacks gives an empty text, as a missing entry does.
String LoadResStringEh(int Ident);

// True when the table holds the identifier (65117 is held, with an empty text).
bool HasResStringEh(int Ident);
