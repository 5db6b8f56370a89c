#include "platform/core/ResStrings.h"

#include <algorithm>
#include <iterator>

namespace {

struct TResString {
  int Ident;
  const char16_t* Text;
};

// Kept sorted by identifier: LoadResString searches it by halving. 65097 to
// 65099 and 65136 to 65138 belong to picture and database units the program
// does not have.
constexpr TResString ResStrings[] = {
    {65088, u"Quote is absent: "},
    {65089, u"'(' expected: "},
    {65090, u"')' expected: "},
    {65091, u"Error in expression: "},
    {65092, u"Unexpected expression before Null: "},
    {65093, u"Unexpected expression after operator: "},
    {65094, u"Incorrect expression: "},
    {65095, u"Unexpected AND or OR: "},
    {65096, u"No data found"},
    {65104, u"не заканчивается на"},
    {65105, u"содержит"},
    {65106, u"не содержит"},
    {65107, u"подобно"},
    {65108, u"не подобно"},
    {65109, u"в списке"},
    {65110, u"не в списке"},
    {65111, u"пустые"},
    {65112, u"не пустые"},
    {65113, u"Перетащите сюда заголовок чтобы группировать по столбцу"},
    {65114, u"Not"},
    {65115, u"AND"},
    {65116, u"OR"},
    {65117, u""},
    {65118, u"In"},
    {65119, u"Null"},
    {65120, u"(Не пустые)"},
    {65121, u"(Все)"},
    {65122, u"(Очистить фильтр)"},
    {65123, u"(Сортировка по убыванию)"},
    {65124, u"(Сортировка по возрастанию)"},
    {65125, u"(Применить фильтр)"},
    {65126, u"(Условие...)"},
    {65127, u"равно"},
    {65128, u"не равно"},
    {65129, u"больше"},
    {65130, u"больше или равно"},
    {65131, u"меньше"},
    {65132, u"меньше или равно"},
    {65133, u"начинается с"},
    {65134, u"не начинается с"},
    {65135, u"заканчивается на"},
    {65139, u"Очистить выделенные ячейки?"},
    {65140, u"Неверный формат текста"},
    {65141, u"Неверный формат VCLDBIF"},
    {65142, u"Ошибка при вставке значения:"},
    {65143, u"Игнорировать ошибку?"},
    {65144, u"Имя поля '%s' не найдено"},
    {65145, u"Видимые столбцы"},
    {65146, u"Вырезать"},
    {65147, u"Копировать"},
    {65148, u"Вставить"},
    {65149, u"Удалить"},
    {65150, u"Выбрать все"},
    {65151, u"(Пустые)"},
    {65152, u"Grid index out of range"},
    {65153, u"Fixed column count must be less than column count"},
    {65154, u"Fixed row count must be less than row count"},
};

static_assert(std::is_sorted(std::begin(ResStrings), std::end(ResStrings),
                             [](const TResString& a, const TResString& b) { return a.Ident < b.Ident; }),
              "the string table must stay sorted by identifier");

const TResString* FindResString(int Ident) {
  auto it = std::lower_bound(std::begin(ResStrings), std::end(ResStrings), Ident,
                             [](const TResString& e, int id) { return e.Ident < id; });
  return (it != std::end(ResStrings) && it->Ident == Ident) ? it : nullptr;
}

}  // namespace

String LoadResString(int Ident) {
  const TResString* e = FindResString(Ident);
  return e ? String(e->Text) : String();
}

bool HasResString(int Ident) { return FindResString(Ident) != nullptr; }
