#include "gridbase/DaVirConsts.h"

#include <algorithm>
#include <iterator>

namespace {

struct TResStringEh {
  int Ident;
  const char16_t* Text;
};

// Kept sorted by identifier: LoadResStringEh searches it by halving.
constexpr TResStringEh ResStrings[] = {
    {SQuoteIsAbsentEh, u"Quote is absent: "},
    {SLeftBracketExpectedEh, u"'(' expected: "},
    {SRightBracketExpectedEh, u"')' expected: "},
    {SErrorInExpressionEh, u"Error in expression: "},
    {SUnexpectedExpressionBeforeNullEh, u"Unexpected expression before Null: "},
    {SUnexpectedExpressionAfterOperatorEh, u"Unexpected expression after operator: "},
    {SIncorrectExpressionEh, u"Incorrect expression: "},
    {SUnexpectedANDorOREh, u"Unexpected AND or OR: "},
    {SNoDataFoundEh, u"No data found"},
    {SNotEndsWithEh, u"не заканчивается на"},
    {SContainsEh, u"содержит"},
    {SNotContainsEh, u"не содержит"},
    {SLikeEh, u"подобно"},
    {SNotLikeEh, u"не подобно"},
    {SInListEh, u"в списке"},
    {SNotInListEh, u"не в списке"},
    {SIsBlankEh, u"пустые"},
    {SIsNotBlankEh, u"не пустые"},
    {SGroupingPanelTextEh, u"Перетащите сюда заголовок чтобы группировать по столбцу"},
    {SNotSignEh, u"Not"},
    {SAndSignEh, u"AND"},
    {SOrSignEh, u"OR"},
    {SEmptyKeywordSlotEh, u""},
    {SInSignEh, u"In"},
    {SNullSignEh, u"Null"},
    {SNotEmptiesEh, u"(Не пустые)"},
    {SAllEh, u"(Все)"},
    {SClearFilterEh, u"(Очистить фильтр)"},
    {SSortDescendingEh, u"(Сортировка по убыванию)"},
    {SSortAscendingEh, u"(Сортировка по возрастанию)"},
    {SApplyFilterEh, u"(Применить фильтр)"},
    {SCustomFilterEh, u"(Условие...)"},
    {SEqualEh, u"равно"},
    {SNotEqualEh, u"не равно"},
    {SGreaterThanEh, u"больше"},
    {SGreaterOrEqualEh, u"больше или равно"},
    {SLessThanEh, u"меньше"},
    {SLessOrEqualEh, u"меньше или равно"},
    {SBeginsWithEh, u"начинается с"},
    {SNotBeginsWithEh, u"не начинается с"},
    {SEndsWithEh, u"заканчивается на"},
    {SClearSelectedCellsEh, u"Очистить выделенные ячейки?"},
    {SInvalidTextFormatEh, u"Неверный формат текста"},
    {SInvalidVCLDBIFFormatEh, u"Неверный формат VCLDBIF"},
    {SErrorDuringInsertValueEh, u"Ошибка при вставке значения:"},
    {SIgnoreErrorEh, u"Игнорировать ошибку?"},
    {SFieldNameNotFoundEh, u"Имя поля '%s' не найдено"},
    {SVisibleColumnsEh, u"Видимые столбцы"},
    {SCutEh, u"Вырезать"},
    {SCopyEh, u"Копировать"},
    {SPasteEh, u"Вставить"},
    {SDeleteEh, u"Удалить"},
    {SSelectAllEh, u"Выбрать все"},
    {SEmptiesEh, u"(Пустые)"},
    {SGridIndexOutOfRangeEh, u"Grid index out of range"},
    {SFixedColTooBigEh, u"Fixed column count must be less than column count"},
    {SFixedRowTooBigEh, u"Fixed row count must be less than row count"},
};

static_assert(std::is_sorted(std::begin(ResStrings), std::end(ResStrings),
                             [](const TResStringEh& a, const TResStringEh& b) { return a.Ident < b.Ident; }),
              "the message table must stay sorted by identifier");

const TResStringEh* FindResString(int Ident) {
  auto it = std::lower_bound(std::begin(ResStrings), std::end(ResStrings), Ident,
                             [](const TResStringEh& e, int id) { return e.Ident < id; });
  return (it != std::end(ResStrings) && it->Ident == Ident) ? it : nullptr;
}

}  // namespace

String LoadResStringEh(int Ident) {
  const TResStringEh* e = FindResString(Ident);
  return e ? String(e->Text) : String();
}

bool HasResStringEh(int Ident) { return FindResString(Ident) != nullptr; }
